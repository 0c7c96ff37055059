// data/: the program's reference data (texts, picture tables, diagnosis tables)
// and COperateIni, the only code that touches the data directory's text files.
#pragma once
#include <string>

// The shared state of one run. CDarvellApp owns the one instance; core code is
// handed a reference and never reaches a global.
struct AppState {
    int m_nLanguage = 0;      // 0 Chinese, 1 English
    int m_nSeries = 0;        // 0 "QL7B series", 1 "QL7-A series"
    int m_nUnitsIndex = 0;    // 0 three units, 1 two, 2 one (reversed on purpose)
    int m_bNonCjkSystem = 0;  // 1 unless the system language is Chinese or Japanese
    int m_nDialogWidth = 0;   // 1024 once the settings are read
    int m_nDialogHeight = 0;  // 768 or 736
    std::string m_strHelp[2]; // help text of language 0 and 1
    std::string m_strSaveFolder; // where the last report or export was saved this run; empty before
};
