#include "AppFixture.h"

#include <QApplication>

#include "support/RecordingUi.h"

namespace tarvel::testing {

void AppTest::Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

std::vector<std::string> AppTest::TakeSent() {
    std::vector<std::string> sent;
    for (const RecordedMessage& message : midi.Messages()) sent.push_back(Describe(message));
    midi.Clear();
    return sent;
}

}  // namespace tarvel::testing
