// darvell-makecausefiles <directory>: writes QL7BJ.ini, QL7BE.ini, QL7AJ.ini and
// QL7AE.ini into the directory (normally res/QL7_Tool of the source tree).
#include <cstdio>
#include <fstream>
#include <string>

#include "CauseFileMaker.h"
#include "data/UnitRules.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    for (int series = 0; series < 2; ++series) {
        for (int language = 0; language < 2; ++language) {
            const std::string path = dir + "/" + CauseFileName(series, language);
            const std::string text = CauseFileMaker::FileText(series, language);
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            out.close();
            if (!out) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
            std::printf("%s: %zu bytes\n", path.c_str(), text.size());
        }
    }
    return 0;
}
