// The committed sample cause/remedy files: every section the lookup can ask for,
// readable values in the escaped form, and texts that describe their status.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "data/AppState.h"
#include "data/COperateIni.h"
#include "platform/ExeDir.h"

namespace {

const std::string kSampleRoot = DARVELL_SOURCE_DIR "/res";
const std::string kSampleDir = kSampleRoot + "/QL7_Tool";

using Sections = std::map<std::string, std::map<std::string, std::string>>;

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A deliberately plain reader: it keeps values exactly as stored, so that a
// value the program's reader would cut is seen whole.
Sections ParseRaw(const std::string& text, std::vector<std::string>& problems)
{
    Sections sections;
    std::string current;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            problems.push_back("last line has no CRLF");
            break;
        }
        const std::string line = text.substr(pos, end - pos);
        pos = end + 2;
        if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos)
            problems.push_back("bare line break in: " + line.substr(0, 40));
        if (line.empty())
            continue;
        if (line.front() == '[' && line.back() == ']') {
            current = line.substr(1, line.size() - 2);
            if (sections.count(current))
                problems.push_back("duplicate section " + current);
            sections[current];
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos || current.empty()) {
            problems.push_back("stray line: " + line.substr(0, 40));
            continue;
        }
        sections[current][line.substr(0, eq)] = line.substr(eq + 1);
    }
    return sections;
}

bool ValidUtf8(const std::string& s)
{
    QStringDecoder decode(QStringDecoder::Utf8);
    const QString unused = decode(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
    return !decode.hasError();
}

bool HasNonAscii(const std::string& s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

std::vector<int> Range(int from, int to, std::set<int> without = {})
{
    std::vector<int> v;
    for (int i = from; i <= to; ++i)
        if (!without.count(i))
            v.push_back(i);
    return v;
}

void AddSections(std::set<std::string>& out, const std::string& prefix, const std::vector<int>& nos)
{
    for (int n : nos)
        out.insert(prefix + std::to_string(n));
}

// The sections each file must hold, listed independently of the tables.
std::set<std::string> ExpectedSections(int series)
{
    std::set<std::string> s;
    if (series == 0) {
        AddSections(s, "3LINEE", Range(1, 106, {92}));
        AddSections(s, "2LINEE", Range(107, 147));
        AddSections(s, "1LINEE", Range(148, 163));
        std::vector<int> threeR = Range(1, 172);
        threeR.push_back(174);
        AddSections(s, "3LINER", threeR);
        AddSections(s, "2LINER", Range(175, 223));
        AddSections(s, "1LINER", Range(224, 239));
    } else {
        AddSections(s, "3LINE", Range(1, 26));
        AddSections(s, "2LINE", {1, 2, 3, 4, 5, 7, 11, 12, 14, 15, 16, 17, 18, 20, 24, 25});
        AddSections(s, "1LINE", {1, 2, 4, 11, 14, 15, 17, 24});
    }
    return s;
}

std::string ErrNoOf(const std::string& section)
{
    std::size_t i = section.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(section[i - 1])))
        --i;
    return section.substr(i);
}

struct FileCase {
    const char* name;
    int series;
    int language;
};

void PrintTo(const FileCase& fc, std::ostream* os)
{
    *os << fc.name;
}

class CauseFilesTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(CauseFilesTest, HoldsEverySectionWithUsableValues)
{
    const FileCase& fc = GetParam();
    const std::string text = ReadBytes(kSampleDir + "/" + fc.name);
    ASSERT_FALSE(text.empty()) << fc.name;
    EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF") << "no byte-order mark";

    std::vector<std::string> problems;
    const Sections sections = ParseRaw(text, problems);
    EXPECT_TRUE(problems.empty()) << problems.front();

    std::set<std::string> names;
    for (const auto& [name, keys] : sections)
        names.insert(name);
    EXPECT_EQ(names, ExpectedSections(fc.series));

    for (const auto& [name, keys] : sections) {
        EXPECT_EQ(keys.size(), 2u) << name;
        for (const char* key : {"ca", "re"}) {
            SCOPED_TRACE(std::string(fc.name) + " [" + name + "] " + key);
            const auto it = keys.find(key);
            ASSERT_NE(it, keys.end());
            const std::string& raw = it->second;
            EXPECT_NE(raw, "ERR");
            EXPECT_FALSE(raw.empty());
            EXPECT_LT(raw.size(), 1023u);
            EXPECT_TRUE(ValidUtf8(raw));
            EXPECT_EQ(HasNonAscii(raw), fc.language == 0);
            // No blanks or quotes at the ends, which the reader would drop.
            EXPECT_NE(raw.front(), ' ');
            EXPECT_NE(raw.back(), ' ');
            EXPECT_NE(raw.front(), '"');
            const std::string shown = COperateIni::ConvertEscapes(raw.c_str());
            EXPECT_NE(shown.find('\n'), std::string::npos);
            EXPECT_NE(shown.find(ErrNoOf(name)), std::string::npos);
            EXPECT_TRUE(ValidUtf8(shown));
        }
    }
}

// Through the program's own reader, as the lookup reads them.
TEST_P(CauseFilesTest, ProgramReaderGetsEveryValueWhole)
{
    const FileCase& fc = GetParam();
    std::vector<std::string> problems;
    const Sections sections = ParseRaw(ReadBytes(kSampleDir + "/" + fc.name), problems);

    platform::SetExecutableDirForTesting(kSampleRoot);
    AppState app;
    app.m_nLanguage = fc.language;
    app.m_nSeries = fc.series;
    for (int units = 0; units < 3; ++units) {
        const COperateIni reader(app, units);
        ASSERT_TRUE(reader.HasCauseFile());
        for (int side = 1; side <= 2; ++side) {
            for (int errNo = 1; errNo <= 239; ++errNo) {
                const std::string section = reader.SectionName(errNo, side);
                const auto it = sections.find(section);
                if (it == sections.end())
                    continue;
                std::string remedy, cause;
                ASSERT_TRUE(reader.ReadCauseRemedy(errNo, remedy, cause, side)) << section;
                EXPECT_EQ(cause, COperateIni::ConvertEscapes(it->second.at("ca").c_str()));
                EXPECT_EQ(remedy, COperateIni::ConvertEscapes(it->second.at("re").c_str()));
            }
        }
    }
    platform::SetExecutableDirForTesting("");
}

INSTANTIATE_TEST_SUITE_P(Samples, CauseFilesTest,
                         ::testing::Values(FileCase{"QL7BJ.ini", 0, 0}, FileCase{"QL7BE.ini", 0, 1},
                                           FileCase{"QL7AJ.ini", 1, 0}, FileCase{"QL7AE.ini", 1, 1}),
                         [](const auto& info) { return std::string(info.param.name).substr(0, 5); });

std::string Shown(const std::string& file, const std::string& section, const std::string& key)
{
    std::vector<std::string> problems;
    const Sections s = ParseRaw(ReadBytes(kSampleDir + "/" + file), problems);
    const auto sec = s.find(section);
    if (sec == s.end() || !sec->second.count(key))
        return {};
    return COperateIni::ConvertEscapes(sec->second.at(key).c_str());
}

// Spot checks of the status each text names, with the captions written out here.
TEST(CauseFileTexts, NameTheStatusThatLeadsThere)
{
    struct Case {
        const char* file;
        const char* section;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {"QL7BE.ini", "1LINEE149", {"Main Sensor emitter shows \"No error code\""}},
        {"QL7BE.ini", "1LINEE151", {"Main Sensor emitter shows \"No error code\"", "emission-halt lamp lit"}},
        {"QL7BE.ini", "1LINEE150", {"emission-halt lamp unlit", "interlock lamp unlit"}},
        {"QL7BE.ini", "3LINEE12",
         {"Main Sensor emitter shows \"2\", Sub Sensor 1 emitter shows \"No error code\", "
          "Sub Sensor 2 emitter shows \"0\""}},
        {"QL7BE.ini", "2LINER175", {"Main Sensor receiver shows \"POWER OFF\"", "Sub Sensor 1 receiver"}},
        {"QL7BJ.ini", "1LINEE152", {"主传感器投光器显示“无显示”", "连琐功能灯亮灯"}},
        {"QL7BJ.ini", "1LINER224", {"主传感器受光器显示“电源OFF”"}},
        {"QL7AE.ini", "1LINE11",
         {"2 statuses", "Main Sensor emitter shows:\n- \"One blinks\"\n- \"Remains [OFF]\""}},
        {"QL7AE.ini", "3LINE12",
         {"18 statuses", "Main Sensor / Sub Sensor 1 / Sub Sensor 2 emitter shows:",
          "\n- \"Two blinks\" / \"Two blinks\" / \"Two blinks\"\n", "further statuses not listed"}},
        {"QL7BJ.ini", "3LINER12", {"主传感器受光器显示“2”，辅助传感器1受光器显示“0”，辅助传感器2受光器显示“2”"}},
        {"QL7AJ.ini", "1LINE24", {"主传感器受光器显示"}},
    };
    for (const Case& c : cases) {
        for (const char* key : {"ca", "re"}) {
            const std::string text = Shown(c.file, c.section, key);
            for (const std::string& part : c.parts)
                EXPECT_NE(text.find(part), std::string::npos)
                    << c.file << " [" << c.section << "] " << key << " lacks: " << part << "\n" << text;
        }
    }
}

// The committed files are what the generator makes from the tables today.
TEST(CauseFileTexts, MatchTheGeneratorOutput)
{
    const QString tool = QStringLiteral(DARVELL_BINARY_DIR "/darvell-makecausefiles");
    if (!std::filesystem::exists(tool.toStdString()))
        GTEST_SKIP() << "generator not built";
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    QProcess p;
    p.start(tool, {out.path()});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    for (const char* name : {"QL7BJ.ini", "QL7BE.ini", "QL7AJ.ini", "QL7AE.ini"})
        EXPECT_TRUE(ReadBytes(out.path().toStdString() + "/" + name) == ReadBytes(kSampleDir + "/" + name))
            << name << " is out of date: run darvell-makecausefiles res/QL7_Tool";
}

} // namespace
