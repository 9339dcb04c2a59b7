#include "app/AboutBox.h"

#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/WidgetIds.h"
#include "document/Release.h"

namespace tarvel {

namespace {

QFrame* HorizontalLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel* WrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

void ShowAboutBox(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(widget_id::Name(widget_id::kAboutBox));
    dialog.setWindowTitle("About TARVEL");

    auto* icon = new QLabel(&dialog);
    icon->setPixmap(QIcon(":/icons/tarvel-48.png").pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* greetz = new QGroupBox("Greetz", &dialog);
    auto* greetzLayout = new QVBoxLayout(greetz);
    greetzLayout->addWidget(WrappedLabel(
        "Hello and thanks to the tracker scene, the demo groups who kept the pattern alive, "
        "the makers of Qt, RtMidi, FluidSynth, JACK and zlib, and every musician who sent "
        "us a song, a bug or a good idea.",
        greetz));
    greetzLayout->addWidget(
        WrappedLabel("See forget to check out there other miditrackers and "
                     "audio software (use links on HELP menu)",
                     greetz));

    auto* ok = new QPushButton("OK", &dialog);
    ok->setObjectName(widget_id::Name(widget_id::kOk));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    auto* slogan = new QLabel("Keeps time. Keeps your songs.", &dialog);
    slogan->setAlignment(Qt::AlignCenter);

    auto* layout = new QGridLayout(&dialog);
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(
        new QLabel("Tarvel . Full programmable MIDI (Spec1.0) MultiTracker.", &dialog), 0, 1);
    layout->addWidget(
        new QLabel(
            QString("%1 for today's desktops, by Velmora Audio Software.").arg(kReleaseLabel),
            &dialog),
        1, 1);
    layout->addWidget(greetz, 2, 0, 1, 2);
    layout->addWidget(HorizontalLine(&dialog), 3, 0, 1, 2);
    auto* bottom = new QGridLayout;
    bottom->addWidget(ok, 0, 0, 2, 1);
    bottom->addWidget(slogan, 0, 1);
    bottom->addWidget(HorizontalLine(&dialog), 1, 1);
    bottom->setColumnStretch(1, 1);
    layout->addLayout(bottom, 4, 0, 1, 2);
    dialog.setMinimumWidth(460);

    ok->setFocus();
    dialog.exec();
}

}  // namespace tarvel
