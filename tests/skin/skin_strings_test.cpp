// The string table and the per-language bundles as the installer's loaders will read them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "mini_xml.h"

namespace {

using skintest::MiniXml;
using skintest::readFile;
using skintest::XmlNode;

const std::string kSkin = CORVANE_SKIN_SOURCE_DIR;

struct Locale {
    const char* code;
    const char* name;
};

// Column order of the table, from column 2 on.
const std::array<Locale, 19> kLocales = {{
    {"zh_CN", "简体中文"},   {"zh_TW", "繁體中文"},  {"en_US", "English"},    {"ko_KR", "한국어"},
    {"vi_VN", "Tiếng Việt"}, {"th_TH", "ไทย"},       {"in_ID", "Indonesia"},  {"ja_JP", "日本語"},
    {"ru_RU", "Русский"},    {"pt_PT", "Português"}, {"es_ES", "Español"},    {"ar_IL", "العربية"},
    {"tr_TR", "Türkçe"},     {"fr_FR", "Français"},  {"de_DE", "Deutsch"},    {"it_IT", "Italiano"},
    {"fa_IR", "فارسی"},      {"ms_MY", "Malaysia"},  {"uk_UA", "Українська"},
}};

const std::vector<std::string> kIds = {"Title_wndTitle",
                                       "Label_installing_waiting",
                                       "Label_getversion_info",
                                       "Label_downloading",
                                       "Button_install_now",
                                       "Button_install_fast",
                                       "Button_start_player",
                                       "MsgBox_error",
                                       "protocol_accept_playerx",
                                       "Title_wndTitle_playerx",
                                       "MsgBox_exit_playerx",
                                       "customer_connect",
                                       "install_error_tip2",
                                       "customerLink",
                                       "retry",
                                       "downloading_error_tip",
                                       "MsgBox_xp",
                                       "MsgBox_32",
                                       "jump_download",
                                       "do_exit",
                                       "change_path_tip",
                                       "path_noice",
                                       "path_more",
                                       "path_ssd",
                                       "path_ok",
                                       "path_not",
                                       "MsgBox_accept_protocol",
                                       "MsgBox_error_path",
                                       "MsgBox_disk_notEnough",
                                       "Label_choice_path",
                                       "MSGBox_noice",
                                       "MsgBox_exit",
                                       "sure",
                                       "cancel",
                                       "browser",
                                       "Label_path_error",
                                       "Button_install_define",
                                       "Button_install_back",
                                       "protocol_accept",
                                       "protocol_accept_btn",
                                       "progress_downloading_label",
                                       "progress_downloading_label2",
                                       "progress_download_label",
                                       "progress_install_label",
                                       "progress_finish_label",
                                       "Label_installingapp_waiting",
                                       "homepage",
                                       "error",
                                       "download_error_content",
                                       "go_homePage",
                                       "installing_exit_tip",
                                       "Reject",
                                       "Accept",
                                       "Yes",
                                       "No",
                                       "accept_protocol",
                                       "titlename",
                                       "installSucess",
                                       "googleDriver_downloadingPage",
                                       "googleDriver_downloadLow",
                                       "googleDriver_downloadError",
                                       "install_error_tip",
                                       "download_error_tip",
                                       "reDownload",
                                       "download_error_tip2",
                                       "downloadBybrowser",
                                       "download_slowtip",
                                       "download_close",
                                       "facebook_tip",
                                       "minimize_tip"};

// Texts that the windows pass through a printf-style format, with the "%s" each one takes
// (path_ssd: the chosen drive, then the recommended one). Every other text must hold no '%',
// or the format call would read arguments that are not there.
const std::map<std::string, int> kFormatArguments = {{"path_ssd", 2}, {"path_more", 1}};

const std::set<std::string> kOnlyInTable = {"protocol_accept_playerx",
                                            "Title_wndTitle_playerx",
                                            "MsgBox_exit_playerx",
                                            "customer_connect",
                                            "install_error_tip2",
                                            "customerLink",
                                            "retry",
                                            "downloading_error_tip",
                                            "MsgBox_xp",
                                            "MsgBox_32",
                                            "jump_download",
                                            "do_exit",
                                            "change_path_tip",
                                            "path_noice",
                                            "path_more",
                                            "path_ssd",
                                            "path_ok",
                                            "path_not",
                                            "facebook_tip",
                                            "minimize_tip"};

const std::array<std::pair<const char*, const char*>, 16> kBundles = {{
    {"cn", "zh_CN"},
    {"tw", "zh_TW"},
    {"kr", "ko_KR"},
    {"vn", "vi_VN"},
    {"th", "th_TH"},
    {"ru", "ru_RU"},
    {"pt", "pt_PT"},
    {"fr", "fr_FR"},
    {"jp", "ja_JP"},
    {"es", "es_ES"},
    {"id", "in_ID"},
    {"ar", "ar_IL"},
    {"fa", "fa_IR"},
    {"tr", "tr_TR"},
    {"de", "de_DE"},
    {"en", "en_US"},
}};

// Splits the way the table loader does: rows end at LF (a CR would end the row early, which is
// why the test looks for stray CRs), cells at tabs.
std::vector<std::vector<std::string>> readTable()
{
    std::string bytes = readFile(kSkin + "/multi_language.tsv");
    std::vector<std::vector<std::string>> rows;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::vector<std::string> cells;
        std::string line = bytes.substr(start, end - start);
        size_t from = 0;
        for (;;) {
            size_t tab = line.find('\t', from);
            cells.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
            if (tab == std::string::npos)
                break;
            from = tab + 1;
        }
        rows.push_back(cells);
        start = end + 1;
    }
    return rows;
}

// Length in UTF-16 units, or -1 when the bytes are not valid UTF-8.
int utf16Length(const std::string& s)
{
    int units = 0;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
        if (extra < 0 || i + extra >= s.size())
            return -1;
        for (int k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return -1;
        }
        units += extra == 3 ? 2 : 1;
        i += extra + 1;
    }
    return units;
}

size_t count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

TEST(StringTable, HeaderRowsNameEveryLocaleInColumnOrder)
{
    auto rows = readTable();
    ASSERT_GE(rows.size(), 2u);
    ASSERT_EQ(rows[0].size(), 21u);
    ASSERT_EQ(rows[1].size(), 21u);
    EXPECT_EQ(rows[0][0], "Code");
    EXPECT_EQ(rows[0][1], "language_code");
    EXPECT_EQ(rows[1][0], "Language");
    EXPECT_EQ(rows[1][1], "language_name");
    for (size_t i = 0; i < kLocales.size(); ++i) {
        EXPECT_EQ(rows[0][i + 2], kLocales[i].code) << "column " << i + 2;
        EXPECT_EQ(rows[1][i + 2], kLocales[i].name) << "column " << i + 2;
    }
}

TEST(StringTable, HoldsTheSeventyIdsInOrderAsLabels)
{
    auto rows = readTable();
    // A final line break is allowed; it leaves one empty row behind the last id.
    if (!rows.empty() && rows.back().size() == 1 && rows.back()[0].empty())
        rows.pop_back();
    ASSERT_EQ(rows.size(), kIds.size() + 2);
    for (size_t i = 0; i < kIds.size(); ++i) {
        const auto& row = rows[i + 2];
        ASSERT_GE(row.size(), 2u) << "row " << i + 3;
        EXPECT_EQ(row[0], "Label") << kIds[i];
        EXPECT_EQ(row[1], kIds[i]) << "row " << i + 3;
    }
}

TEST(StringTable, EveryCellIsPresentPlainAndLoadable)
{
    auto rows = readTable();
    std::string bytes = readFile(kSkin + "/multi_language.tsv");
    ASSERT_FALSE(bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        << "a byte-order mark would become part of the first marker cell";
    for (size_t r = 0; r < rows.size(); ++r) {
        const auto& row = rows[r];
        if (r + 1 == rows.size() && row.size() == 1 && row[0].empty())
            continue;
        ASSERT_EQ(row.size(), 21u) << "row " << r + 1 << " (" << (row.size() > 1 ? row[1] : "") << ")";
        for (size_t c = 0; c < row.size(); ++c) {
            const std::string where = row[1] + " / " + (c >= 2 ? kLocales[c - 2].code : "key");
            EXPECT_FALSE(row[c].empty()) << where;
            EXPECT_EQ(row[c].find('\r'), std::string::npos) << where;
            EXPECT_EQ(row[c].find('\0'), std::string::npos) << where;
            int units = utf16Length(row[c]);
            EXPECT_GE(units, 0) << where << ": not UTF-8";
            EXPECT_LE(units, 512) << where << ": the loader stores longer cells empty";
        }
    }
}

TEST(StringTable, FormatArgumentsMatchWhatTheWindowsPass)
{
    auto rows = readTable();
    for (size_t r = 2; r < rows.size(); ++r) {
        const auto& row = rows[r];
        if (row.size() < 21)
            continue;
        auto it = kFormatArguments.find(row[1]);
        size_t wanted = it == kFormatArguments.end() ? 0 : it->second;
        for (size_t c = 2; c < row.size(); ++c) {
            EXPECT_EQ(count(row[c], "%s"), wanted) << row[1] << " / " << kLocales[c - 2].code;
            EXPECT_EQ(count(row[c], "%"), wanted) << row[1] << " / " << kLocales[c - 2].code << ": stray '%'";
        }
    }
}

TEST(StringTable, CustomerLinkIsAWebAddressAndTheProductNameIsKept)
{
    auto rows = readTable();
    for (size_t r = 2; r < rows.size(); ++r) {
        const auto& row = rows[r];
        if (row.size() < 21)
            continue;
        for (size_t c = 2; c < row.size(); ++c) {
            if (row[1] == "customerLink") {
                EXPECT_EQ(row[c].rfind("https://", 0), 0u) << kLocales[c - 2].code;
                EXPECT_EQ(row[c].find(' '), std::string::npos) << kLocales[c - 2].code;
            }
            if (row[1] == "Title_wndTitle" || row[1] == "titlename") {
                EXPECT_NE(row[c].find("Corvane"), std::string::npos)
                    << row[1] << " / " << kLocales[c - 2].code;
            }
        }
    }
}

std::map<std::string, std::string> column(const std::vector<std::vector<std::string>>& rows,
                                          const std::string& locale)
{
    size_t index = std::find(rows[0].begin(), rows[0].end(), locale) - rows[0].begin();
    std::map<std::string, std::string> texts;
    for (size_t r = 2; r < rows.size(); ++r) {
        if (rows[r].size() > index)
            texts[rows[r][1]] = rows[r][index];
    }
    return texts;
}

TEST(StringBundles, EachIsWellFormedAndHoldsTheSwitchIdsOnce)
{
    auto rows = readTable();
    std::vector<std::string> expected;
    for (const auto& id : kIds) {
        if (!kOnlyInTable.count(id))
            expected.push_back(id);
    }
    expected.push_back("facebook");
    ASSERT_EQ(expected.size(), 51u);

    for (const auto& [code, locale] : kBundles) {
        SCOPED_TRACE(code);
        const std::string path = kSkin + "/language/downloader_" + code + ".xml";
        std::string bytes = readFile(path);
        ASSERT_FALSE(bytes.empty()) << path;
        EXPECT_EQ(bytes.substr(0, bytes.find('\n')), "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>");
        EXPECT_GE(utf16Length(bytes), 0) << "not UTF-8";

        MiniXml reader;
        auto root = reader.parse(bytes);
        ASSERT_TRUE(root) << reader.error();
        EXPECT_EQ(root->name, "StringBundle");
        ASSERT_TRUE(root->attribute("ver"));
        EXPECT_EQ(*root->attribute("ver"), "100");

        auto texts = column(rows, locale);
        std::vector<std::string> seen;
        std::set<std::string> unique;
        for (const auto& child : root->children) {
            EXPECT_EQ(child.name, "String") << "line " << child.line;
            const std::string* id = child.attribute("id");
            ASSERT_TRUE(id) << "line " << child.line;
            EXPECT_TRUE(unique.insert(*id).second) << "duplicate id " << *id;
            EXPECT_FALSE(child.text.empty()) << *id;
            seen.push_back(*id);
            // The bundle must say what the table says for its language, or a switch would show a
            // different wording than a start in that language.
            const std::string source = *id == "facebook" ? "facebook_tip" : *id;
            EXPECT_EQ(child.text, texts[source]) << *id;
        }
        EXPECT_EQ(seen, expected);
    }
}

TEST(StringBundles, TheCheckerRejectsWhatTheBundleLoaderWouldRefuse)
{
    struct Case {
        const char* what;
        const char* text;
    };
    const Case cases[] = {
        {"unclosed inner element", "<StringBundle ver=\"100\"><String id=\"a\">x</StringBundle>"},
        {"second root", "<StringBundle ver=\"100\"/><StringBundle ver=\"100\"/>"},
        {"raw markup in a text", "<StringBundle><String id=\"a\">x <u>y</String></StringBundle>"},
        {"unknown entity", "<StringBundle><String id=\"a\">&nbsp;</String></StringBundle>"},
        {"single-quoted attribute", "<StringBundle ver='100'></StringBundle>"},
    };
    for (const auto& c : cases) {
        MiniXml reader;
        EXPECT_FALSE(reader.parse(c.text)) << c.what;
    }
    MiniXml reader;
    auto ok = reader.parse(
        "<StringBundle ver=\"100\"><String id=\"a\">&lt;u&gt;&#65;&#x42;</String></StringBundle>");
    ASSERT_TRUE(ok) << reader.error();
    EXPECT_EQ(ok->children.at(0).text, "<u>AB");
}

}  // namespace
