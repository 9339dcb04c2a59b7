// The window is built alongside the player, the song files, the editor core and the dialogs.
// Each piece is used from the moment it reaches this branch; until then the window leaves the
// call in place and does nothing there. This file goes away once all of them have landed.
#pragma once

#if __has_include("engine/PlayWatch.h")
#define TARVEL_HAS_PLAYER 1
#else
#define TARVEL_HAS_PLAYER 0
#endif

#if __has_include("editor/DisplayModel.h") && __has_include("editor/KeyEditing.h")
#define TARVEL_HAS_EDITOR 1
#else
#define TARVEL_HAS_EDITOR 0
#endif

#if __has_include("song/SongFile.h") || __has_include("song/PatchList.h")
#define TARVEL_HAS_FILES 1
#else
#define TARVEL_HAS_FILES 0
#endif

#if __has_include("app/AboutBox.h")
#define TARVEL_HAS_DIALOGS 1
#else
#define TARVEL_HAS_DIALOGS 0
#endif
