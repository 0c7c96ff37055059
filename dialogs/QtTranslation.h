#pragma once

// Qt's own dialogs and standard buttons (the file and print dialogs, OK and
// Cancel, "Look in", "File name") speak the interface's language: for Chinese
// Qt's catalogue qtbase_zh_CN is loaded, from beside the program (where the
// Windows folder ships it) or else from Qt's translations folder (the
// system's copy on Linux), once; for English it is taken out again. Without a
// catalogue Qt stays in English. Language is the settings' index.
void FollowLanguageInQt(int language);
