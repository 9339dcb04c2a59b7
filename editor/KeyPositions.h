// Which key the musician pressed, read two ways. The two rows of piano keys are read by where the
// key lies, so they sit in the same place on QWERTY, QWERTZ, AZERTY and any other layout; hex
// digits and letters typed as values are read by the character the layout gives. Any thread;
// pure.
#pragma once

namespace tarvel {

struct EditorKey {
    int virtualKey;  // by the character: the code the editor's key tables take, 0 for none
    int noteKey;     // the US-layout letter or digit at the key's place, 0 off the piano rows
};

// `scanCode`: the key's XKB keycode (the evdev code + 8), as X11 and Wayland report it; 0 when
// the window system gave none. `characterKey`: the virtual-key code of the character, 0 for
// none. Keys of the digit row type their digit whatever the character: on AZERTY the unshifted
// row gives symbols, and a value typed there is meant as the digit printed on the key.
EditorKey ReadEditorKey(unsigned scanCode, int characterKey);

// The key a note-table lookup and its release use.
inline int NoteTableKey(const EditorKey& key) {
    return key.noteKey != 0 ? key.noteKey : key.virtualKey;
}

}  // namespace tarvel
