#include "editor/HelperTexts.h"

#include <cstdio>

#include "editor/CellText.h"
#include "editor/EditorBounds.h"
#include "song/CellCommandValues.h"

namespace tarvel {

// Controller 97 is the data decrement; it is named after 96, the increment.
const char controllerNames[128][128] = {
    /*   0 */ "[MSB] Bank select",
    /*   1 */ "[MSB] Modulation wheel",
    /*   2 */ "[MSB] Breath control",
    /*   3 */ "[MSB] Undefined",
    /*   4 */ "[MSB] Foot controller",
    /*   5 */ "[MSB] Portamento time",
    /*   6 */ "[MSB] Data entry",
    /*   7 */ "[MSB] Channel volume",
    /*   8 */ "[MSB] Balance",
    /*   9 */ "[MSB] Undefined",
    /*  10 */ "[MSB] Pan",
    /*  11 */ "[MSB] Expression controller",
    /*  12 */ "[MSB] Effect control 1",
    /*  13 */ "[MSB] Effect control 2",
    /*  14 */ "[MSB] Undefined",
    /*  15 */ "[MSB] Undefined",
    /*  16 */ "[MSB] General Purpose Controller #1",
    /*  17 */ "[MSB] General Purpose Controller #2",
    /*  18 */ "[MSB] General Purpose Controller #3",
    /*  19 */ "[MSB] General Purpose Controller #4",
    /*  20 */ "[MSB] Undefined",
    /*  21 */ "[MSB] Undefined",
    /*  22 */ "[MSB] Undefined",
    /*  23 */ "[MSB] Undefined",
    /*  24 */ "[MSB] Undefined",
    /*  25 */ "[MSB] Undefined",
    /*  26 */ "[MSB] Undefined",
    /*  27 */ "[MSB] Undefined",
    /*  28 */ "[MSB] Undefined",
    /*  29 */ "[MSB] Undefined",
    /*  30 */ "[MSB] Undefined",
    /*  31 */ "[MSB] Undefined",
    /*  32 */ "[LSB] Bank select",
    /*  33 */ "[LSB] Modulation wheel",
    /*  34 */ "[LSB] Breath control",
    /*  35 */ "[LSB] Undefined",
    /*  36 */ "[LSB] Foot controller",
    /*  37 */ "[LSB] Portamento time",
    /*  38 */ "[LSB] Data entry",
    /*  39 */ "[LSB] Channel volume",
    /*  40 */ "[LSB] Balance",
    /*  41 */ "[LSB] Undefined",
    /*  42 */ "[LSB] Pan",
    /*  43 */ "[LSB] Expression controller",
    /*  44 */ "[LSB] Effect control 1",
    /*  45 */ "[LSB] Effect control 2",
    /*  46 */ "[LSB] Undefined",
    /*  47 */ "[LSB] Undefined",
    /*  48 */ "[LSB] General Purpose Controller #1",
    /*  49 */ "[LSB] General Purpose Controller #2",
    /*  50 */ "[LSB] General Purpose Controller #3",
    /*  51 */ "[LSB] General Purpose Controller #4",
    /*  52 */ "[LSB] Undefined",
    /*  53 */ "[LSB] Undefined",
    /*  54 */ "[LSB] Undefined",
    /*  55 */ "[LSB] Undefined",
    /*  56 */ "[LSB] Undefined",
    /*  57 */ "[LSB] Undefined",
    /*  58 */ "[LSB] Undefined",
    /*  59 */ "[LSB] Undefined",
    /*  60 */ "[LSB] Undefined",
    /*  61 */ "[LSB] Undefined",
    /*  62 */ "[LSB] Undefined",
    /*  63 */ "[LSB] Undefined",
    /*  64 */ "[SWI] Damper pedal on/off (Sustain)",
    /*  65 */ "[SWI] Portamento on/off",
    /*  66 */ "[SWI] Sustenuto on/off",
    /*  67 */ "[SWI] Soft pedal on/off",
    /*  68 */ "[SWI] Legato Footswitch",
    /*  69 */ "[SWI] Hold 2",
    /*  70 */ "[LSB] Sound Cont. 1 (Sound Variation)",
    /*  71 */ "[LSB] Sound Cont. 2 (Timbre/Harmonic Intens.)",
    /*  72 */ "[LSB] Sound Cont. 3 (Release Time)",
    /*  73 */ "[LSB] Sound Cont. 4 (Attack Time)",
    /*  74 */ "[LSB] Sound Cont. 5 (Brightness)",
    /*  75 */ "[LSB] Sound Cont. 6 (Decay Time)",
    /*  76 */ "[LSB] Sound Cont. 7 (Vibrato Rate)",
    /*  77 */ "[LSB] Sound Cont. 8 (Vibrato Depth)",
    /*  78 */ "[LSB] Sound Cont. 9 (Vibrato Delay)",
    /*  79 */ "[LSB] Sound Cont. 10",
    /*  80 */ "[LSB] General Purpose Controller #5",
    /*  81 */ "[LSB] General Purpose Controller #6",
    /*  82 */ "[LSB] General Purpose Controller #7",
    /*  83 */ "[LSB] General Purpose Controller #8",
    /*  84 */ "[SRC] Portamento control",
    /*  85 */ "[LSB] Undefined",
    /*  86 */ "[LSB] Undefined",
    /*  87 */ "[LSB] Undefined",
    /*  88 */ "[LSB] Undefined",
    /*  89 */ "[LSB] Undefined",
    /*  90 */ "[LSB] Undefined",
    /*  91 */ "[LSB] Reverb Send Level",
    /*  92 */ "[LSB] Effects 2 Depth (Tremolo Depth)",
    /*  93 */ "[LSB] Chorus Send Level",
    /*  94 */ "[LSB] Effects 4 Depth (Celeste/Detune Depth)",
    /*  95 */ "[LSB] Effects 5 Depth (Phaser Depth)",
    /*  96 */ "[N/A] Data entry +1",
    /*  97 */ "[N/A] Data entry -1",
    /*  98 */ "[LSB] Non-Registered Parameter Number LSB",
    /*  99 */ "[MSB] Non-Registered Parameter Number MSB",
    /* 100 */ "[LSB] Registered Parameter Number LSB*",
    /* 101 */ "[MSB] Registered Parameter Number MSB*",
    /* 102 */ "[???] Undefined",
    /* 103 */ "[???] Undefined",
    /* 104 */ "[???] Undefined",
    /* 105 */ "[???] Undefined",
    /* 106 */ "[???] Undefined",
    /* 107 */ "[???] Undefined",
    /* 108 */ "[???] Undefined",
    /* 109 */ "[???] Undefined",
    /* 110 */ "[???] Undefined",
    /* 111 */ "[???] Undefined",
    /* 112 */ "[???] Undefined",
    /* 113 */ "[???] Undefined",
    /* 114 */ "[???] Undefined",
    /* 115 */ "[???] Undefined",
    /* 116 */ "[???] Undefined",
    /* 117 */ "[???] Undefined",
    /* 118 */ "[???] Undefined",
    /* 119 */ "[???] Undefined",
    /* 120 */ "[000] All sound off",
    /* 121 */ "[000] Reset all controllers",
    /* 122 */ "[SWI] Local control off/on (0 = off, 127 = on)",
    /* 123 */ "[000] All notes off",
    /* 124 */ "[000] Omni mode off (+ all notes off)",
    /* 125 */ "[000] Omni mode on (+ all notes off)",
    /* 126 */ "[SWI] Poly mode on/off (+ all notes off)",
    /* 127 */ "[000] Polu mode on",
};

const char* CommandName(int command) {
    switch (command) {
        case cell::kNoteGate:
            return "Note gate";
        case cell::kFineGate:
            return "Fine gate (note stops PP/16 of a line after it starts, 01..0F)";
        case cell::kSetBpm:
            return "Set BPM";
        case cell::kSwing:
            return "Swing (the channel's odd lines start PP/256 of a line late, 00 = off)";
        case cell::kSwingAll:
            return "Swing all (every channel's odd lines start PP/256 of a line late)";
        case cell::kPitchWheel:
            return "Set pitch wheel (00 => Min, 20 => Middle (no offset), 3f => Max.";
        case cell::kProgramChange:
            return "Program change";
        case cell::kChance:
            return "Chance (the note plays with probability PP/FF)";
        case cell::kHumanize:
            return "Humanize (notes move up to PP/8 ms, velocity up to PP/4, 00 = off)";
        case cell::kNoteDelay:
            return "Note delay";
        case cell::kFineDelay:
            return "Fine delay (note starts PP/16 of a line late, 01..0F)";
        case cell::kNoteRetrigger:
            return "Note retrigger";
        case cell::kRatchet:
            return "Ratchet (note plays PP times across the line, 02..10)";
        // From here on the command is the status byte of the system message it sends.
        case cell::kFirstSystemMessage:
            return "[SYSMSG] System exclusive";
        case 0xF1:
        case 0xF4:
        case 0xF5:
            return "[SYSMSG] Undefined";
        case 0xF2:
            return "[SYSMSG] Song position";
        case 0xF3:
            return "[SYSMSG] Song select";
        case 0xF6:
            return "[SYSMSG] Tune request";
        case 0xF7:
            return "[SYSMSG] EOX (terminator)";
        case 0xF8:
            return "[RLTMSG] Timing clock";
        case 0xF9:
        case 0xFD:
            return "[RLTMSG] Undefined";
        case 0xFA:
            return "[RLTMSG] Start";
        case 0xFB:
            return "[RLTMSG] Continue";
        case 0xFC:
            return "[RLTMSG] Stop";
        case 0xFE:
            return "[RLTMSG] Active sensing";
        default:
            return nullptr;
    }
}

namespace {

// The player ignores the commands of 0x80..0xFE that have no name; say so rather than leave
// the text of whatever field was shown before.
constexpr const char* kUnnamedCommand = "Unassigned (no effect)";
// Note bytes 0x80..0xFD are no note the keys can enter.
constexpr const char* kNotANote = "Not a MIDI note";

std::string ValueText(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%.2X (%d)", value, value);
    return text;
}

}  // namespace

HelperTexts UpdateHelperTexts(const SongEditor& edit) {
    TARVEL_ASSERT_LOCKED(edit);
    const PatternCell cell = CellUnderCursor(edit);
    switch (edit.editor.cursorField) {
        case 0: {
            if (cell.note == kNoNote) return {"Note", "Default", "---"};
            if (cell.note >= 0x80 && cell.note != kNoteOff)
                return {"Note", ValueText(cell.note), kNotANote};
            return {"Note", ValueText(cell.note), std::string(NoteName(cell.note).data())};
        }
        case 1:
        case 2:
            if (cell.velocity == kDefaultVelocity) return {"Velo", "Default", "Note velocity"};
            return {"Velo", ValueText(cell.velocity), "Note velocity"};
        case 3:
        case 4: {
            if (cell.command == kNoCommand) return {"Control", "Default", "None"};
            if (cell.command <= cell::kLastController)
                return {"Control", ValueText(cell.command), controllerNames[cell.command]};
            const char* name = CommandName(cell.command);
            return {"Control", ValueText(cell.command), name ? name : kUnnamedCommand};
        }
        default:
            return {"Data", ValueText(cell.parameter), "Parameter argument"};
    }
}

}  // namespace tarvel
