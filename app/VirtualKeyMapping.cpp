#include "app/VirtualKeyMapping.h"

#include <QKeyEvent>

#include "editor/VirtualKeys.h"

namespace tarvel {

namespace {

// Codes the editor only ever sees on release (every release stops the previewed note).
constexpr int kBack = 0x08, kControl = 0x11, kEscape = 0x1B;
constexpr int kOemSemicolon = 0xBA, kOemPlus = 0xBB, kOemComma = 0xBC, kOemMinus = 0xBD,
              kOemPeriod = 0xBE, kOemSlash = 0xBF, kOemTilde = 0xC0, kOemOpen = 0xDB,
              kOemBackslash = 0xDC, kOemClose = 0xDD, kOemQuote = 0xDE;

int KeypadKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return vk::kNumpad0 + (key - Qt::Key_0);
    switch (key) {
        case Qt::Key_Asterisk:
            return vk::kMultiply;
        case Qt::Key_Plus:
            return vk::kAdd;
        case Qt::Key_Minus:
            return vk::kSubtract;
        case Qt::Key_Slash:
            return vk::kDivide;
        default:
            return 0;
    }
}

int MainKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return vk::kF1 + (key - Qt::Key_F1);
    switch (key) {
        // The digit row with Shift held on a US keyboard.
        case Qt::Key_Exclam:
            return '1';
        case Qt::Key_At:
            return '2';
        case Qt::Key_NumberSign:
            return '3';
        case Qt::Key_Dollar:
            return '4';
        case Qt::Key_Percent:
            return '5';
        case Qt::Key_AsciiCircum:
            return '6';
        case Qt::Key_Ampersand:
            return '7';
        case Qt::Key_Asterisk:
            return '8';
        case Qt::Key_ParenLeft:
            return '9';
        case Qt::Key_ParenRight:
            return '0';
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return vk::kTab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return vk::kReturn;
        case Qt::Key_Shift:
            return vk::kShift;
        case Qt::Key_Control:
            return kControl;
        case Qt::Key_Space:
            return vk::kSpace;
        case Qt::Key_PageUp:
            return vk::kPrior;
        case Qt::Key_PageDown:
            return vk::kNext;
        case Qt::Key_End:
            return vk::kEnd;
        case Qt::Key_Home:
            return vk::kHome;
        case Qt::Key_Left:
            return vk::kLeft;
        case Qt::Key_Up:
            return vk::kUp;
        case Qt::Key_Right:
            return vk::kRight;
        case Qt::Key_Down:
            return vk::kDown;
        case Qt::Key_Insert:
            return vk::kInsert;
        case Qt::Key_Delete:
            return vk::kDelete;
        case Qt::Key_Backspace:
            return kBack;
        case Qt::Key_Escape:
            return kEscape;
        case Qt::Key_Semicolon:
        case Qt::Key_Colon:
            return kOemSemicolon;
        case Qt::Key_Equal:
        case Qt::Key_Plus:
            return kOemPlus;
        case Qt::Key_Comma:
        case Qt::Key_Less:
            return kOemComma;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            return kOemMinus;
        case Qt::Key_Period:
        case Qt::Key_Greater:
            return kOemPeriod;
        case Qt::Key_Slash:
        case Qt::Key_Question:
            return kOemSlash;
        case Qt::Key_QuoteLeft:
        case Qt::Key_AsciiTilde:
            return kOemTilde;
        case Qt::Key_BracketLeft:
        case Qt::Key_BraceLeft:
            return kOemOpen;
        case Qt::Key_Backslash:
        case Qt::Key_Bar:
            return kOemBackslash;
        case Qt::Key_BracketRight:
        case Qt::Key_BraceRight:
            return kOemClose;
        case Qt::Key_Apostrophe:
        case Qt::Key_QuoteDbl:
            return kOemQuote;
        default:
            return 0;
    }
}

}  // namespace

int VirtualKeyOf(const QKeyEvent& event) {
    const int key = event.key();
    if (event.modifiers() & Qt::KeypadModifier) {
        if (const int code = KeypadKey(key)) return code;
    }
    return MainKey(key);
}

}  // namespace tarvel
