// Every image that the skin markup or the windows' code names is in the rendered skin, with the
// size and cell layout that its source, corner and dest rectangles rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "mini_xml.h"

namespace {

using skintest::MiniXml;
using skintest::readFile;
using skintest::XmlNode;

const std::string kStage = CORVANE_SKIN_STAGE_DIR;

const std::vector<std::string> kMarkups = {
    "mainframe.xml",  "downloaderbox.xml",         "downloaderrorbox.xml",
    "installbox.xml", "common/xml_messagebox.xml", "common/xml_messagebox_noicon.xml",
    "scrollbar.xml"};

// Images the windows set from code rather than from markup: the folder-check frames of the main
// window, the exit box's button cells, the message-box buttons and the message icon.
const std::vector<std::string> kNamedByCode = {
    "file='error_edit_bg.png' source='0,0,10,10' corner='4,4,4,4'",
    "file='browse_button.png' source='0,0,28,28' corner='4,4,4,4'",
    "file='browse_button.png' source='28,0,56,28' corner='4,4,4,4'",
    "file='browse_button.png' source='56,0,84,28' corner='4,4,4,4'",
    "file='button_box_cancel.png' source='0,0,100,32'",
    "file='button_box_cancel.png' source='100,0,200,32'",
    "file='button_box_cancel.png' source='200,0,300,32'",
    "file='button_box_hot.png' source='0,0,100,32'",
    "file='button_box_hot.png' source='100,0,200,32'",
    "file='button_box_hot.png' source='200,0,300,32'",
    "file='common\\btn_bg_default.png' source='0,0,20,28' corner='6,6,6,6'",
    "file='common\\btn_bg_default.png' source='20,0,40,28' corner='6,6,6,6'",
    "file='common\\btn_bg_default.png' source='40,0,60,28' corner='6,6,6,6'",
    "file='common\\btn_bg.png' source='0,0,20,28' corner='6,6,6,6'",
    "file='common\\btn_bg.png' source='20,0,40,28' corner='6,6,6,6'",
    "file='common\\btn_bg.png' source='40,0,60,28' corner='6,6,6,6'",
    "common/msg_noice48.png",
    "commonEnalarge/msg_noice48.png",
};

// Named by markup or code but deliberately not shipped: those draw nothing.
bool isLeftOut(const std::string& name)
{
    return name == "error_icon_small.png" || name == "common/msg_ok48.png" || name.rfind("remote/", 0) == 0 ||
           name.rfind("scroll_", 0) == 0;
}

// Image attribute -> its enlarged-display partner.
const std::map<std::string, std::string> kEnlargePartner = {
    {"bkimage", "bkEnlargeimage"},
    {"layeredimage", "layeredEnlargeimage"},
    {"normalimage", "normalEnlargeImage"},
    {"hotimage", "hotEnlargeImage"},
    {"pushedimage", "pushedEnlargeImage"},
    {"disabledimage", "disabledEnlargeImage"},
    {"focusedimage", "focusedEnlargeImage"},
    {"foreimage", "foreEnlargeImage"},
    {"selectedimage", "selectedEnlargeImage"},
    {"selectedhotimage", "selectedhotEnlargeImage"},
};

struct Rect {
    int l = 0, t = 0, r = 0, b = 0;
    bool empty() const { return l == 0 && t == 0 && r == 0 && b == 0; }
    int width() const { return r - l; }
    int height() const { return b - t; }
    bool operator==(const Rect& o) const { return l == o.l && t == o.t && r == o.r && b == o.b; }
};

// One parsed image attribute value (the skin's image language).
struct ImageRef {
    std::string file;  // with '/' separators
    Rect source, corner, dest;
    std::string mask;
    bool parsed = false;
};

Rect parseRect(const std::string& v)
{
    Rect r;
    int* parts[] = {&r.l, &r.t, &r.r, &r.b};
    size_t at = 0;
    for (int* p : parts) {
        if (at >= v.size())
            break;
        size_t used = 0;
        *p = std::stoi(v.substr(at), &used);
        at += used + 1;
    }
    return r;
}

ImageRef parseImage(const std::string& value)
{
    ImageRef ref;
    ref.parsed = true;
    if (value.find("='") == std::string::npos) {
        ref.file = value;
    } else {
        size_t at = 0;
        while (at < value.size()) {
            while (at < value.size() && value[at] == ' ')
                ++at;
            size_t eq = value.find("='", at);
            size_t end = eq == std::string::npos ? eq : value.find('\'', eq + 2);
            if (end == std::string::npos) {
                ref.parsed = false;
                break;
            }
            std::string key = value.substr(at, eq - at);
            std::string v = value.substr(eq + 2, end - eq - 2);
            if (key == "file")
                ref.file = v;
            else if (key == "source")
                ref.source = parseRect(v);
            else if (key == "corner")
                ref.corner = parseRect(v);
            else if (key == "dest")
                ref.dest = parseRect(v);
            else if (key == "mask")
                ref.mask = v;
            else
                ref.parsed = false;  // the skins use no other key
            at = end + 1;
            if (at < value.size() && value[at] != ' ')
                ref.parsed = false;
        }
    }
    for (char& c : ref.file) {
        if (c == '\\')
            c = '/';
    }
    return ref;
}

struct Size {
    int width = 0, height = 0;
};

std::optional<Size> imageSize(const std::string& name)
{
    std::string bytes = readFile(kStage + "/" + name);
    auto u32be = [&](size_t at) {
        return static_cast<int>((uint32_t(uint8_t(bytes[at])) << 24) |
                                (uint32_t(uint8_t(bytes[at + 1])) << 16) |
                                (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint32_t(uint8_t(bytes[at + 3])));
    };
    auto i32le = [&](size_t at) {
        return static_cast<int32_t>(uint32_t(uint8_t(bytes[at])) | (uint32_t(uint8_t(bytes[at + 1])) << 8) |
                                    (uint32_t(uint8_t(bytes[at + 2])) << 16) |
                                    (uint32_t(uint8_t(bytes[at + 3])) << 24));
    };
    if (bytes.size() >= 24 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 &&
        bytes.compare(12, 4, "IHDR") == 0) {
        return Size{u32be(16), u32be(20)};
    }
    if (bytes.size() >= 26 && bytes.compare(0, 2, "BM") == 0) {
        return Size{i32le(18), std::abs(i32le(22))};
    }
    return std::nullopt;
}

// A place in the markup that names an image, with what is needed to judge it.
struct Use {
    std::string where;      // file:line attribute
    std::string attribute;  // attribute name ("" for code and <Image>)
    ImageRef ref;
    std::optional<Size> controlSize;
    bool fillsProgress = false;
};

std::optional<Size> controlSizeOf(const XmlNode& node, const XmlNode* parent, std::optional<Size> windowSize)
{
    const std::string* w = node.attribute("width");
    const std::string* h = node.attribute("height");
    if (w && h)
        return Size{std::stoi(*w), std::stoi(*h)};
    if (const std::string* pos = node.attribute("pos")) {
        Rect r = parseRect(*pos);
        return Size{r.width(), r.height()};
    }
    if (parent && parent->name == "Window")
        return windowSize;
    return std::nullopt;
}

bool isImageAttribute(const std::string& name)
{
    if (name.size() < 5)
        return false;
    std::string tail = name.substr(name.size() - 5);
    for (char& c : tail)
        c = static_cast<char>(std::tolower(c));
    return tail == "image";
}

// Attribute lists of <Default> values: name="value" pairs separated by one space.
std::vector<std::pair<std::string, std::string>> parseAttributeList(const std::string& list)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    size_t at = 0;
    while (at < list.size()) {
        size_t eq = list.find("=\"", at);
        if (eq == std::string::npos)
            break;
        size_t end = list.find('"', eq + 2);
        if (end == std::string::npos)
            break;
        pairs.emplace_back(list.substr(at, eq - at), list.substr(eq + 2, end - eq - 2));
        at = end + 1;
        if (at < list.size() && list[at] == ' ')
            ++at;
    }
    return pairs;
}

class SkinImages : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const auto& file : kMarkups) {
            std::string bytes = readFile(kStage + "/" + file);
            ASSERT_FALSE(bytes.empty()) << file << " is not in the rendered skin";
            MiniXml reader;
            auto root = reader.parse(bytes);
            ASSERT_TRUE(root) << file << ": " << reader.error();
            m_roots[file] = *root;
            std::optional<Size> windowSize;
            if (const std::string* size = root->attribute("size")) {
                Rect r = parseRect(*size + ",0,0");
                windowSize = Size{r.l, r.t};
            }
            collect(file, *root, nullptr, windowSize);
        }
        for (const auto& value : kNamedByCode) {
            m_uses.push_back({"code: " + value, "", parseImage(value), std::nullopt, false});
        }
    }

    void collect(const std::string& file, const XmlNode& node, const XmlNode* parent,
                 std::optional<Size> windowSize)
    {
        const std::string here = file + ":" + std::to_string(node.line) + " <" + node.name + ">";
        auto size = controlSizeOf(node, parent, windowSize);
        if (node.name == "Image") {
            if (const std::string* name = node.attribute("name")) {
                m_uses.push_back({here, "", parseImage(*name), std::nullopt, false});
            }
        } else if (node.name == "Default") {
            if (const std::string* value = node.attribute("value")) {
                for (const auto& [key, v] : parseAttributeList(*value)) {
                    if (isImageAttribute(key))
                        m_uses.push_back({here + " " + key, key, parseImage(v), std::nullopt, false});
                }
            }
        } else {
            for (const auto& [key, v] : node.attributes) {
                if (!isImageAttribute(key))
                    continue;
                bool progressFill = node.name == "Progress" && key.rfind("fore", 0) == 0;
                m_uses.push_back({here + " " + key, key, parseImage(v),
                                  node.name == "Window" ? windowSize : size, progressFill});
            }
        }
        for (const auto& child : node.children)
            collect(file, child, &node, windowSize);
    }

    std::map<std::string, XmlNode> m_roots;
    std::vector<Use> m_uses;
};

TEST_F(SkinImages, EveryNamedImageIsRenderedAndEveryRectangleFitsIt)
{
    ASSERT_FALSE(m_uses.empty());
    for (const auto& use : m_uses) {
        SCOPED_TRACE(use.where);
        ASSERT_TRUE(use.ref.parsed) << "image value not in the skin's image language";
        if (isLeftOut(use.ref.file))
            continue;
        auto size = imageSize(use.ref.file);
        ASSERT_TRUE(size) << use.ref.file << " is missing from the rendered skin or not an image";
        Rect source = use.ref.source.empty() ? Rect{0, 0, size->width, size->height} : use.ref.source;
        EXPECT_TRUE(source.l >= 0 && source.t >= 0 && source.l < source.r && source.t < source.b &&
                    source.r <= size->width && source.b <= size->height)
            << use.ref.file << " is " << size->width << "x" << size->height;
        const Rect& c = use.ref.corner;
        EXPECT_LE(c.l + c.r, source.width()) << "nine-grid corners wider than the cell";
        EXPECT_LE(c.t + c.b, source.height()) << "nine-grid corners taller than the cell";
        if (!use.ref.dest.empty() && use.ref.corner.empty()) {
            // Glyphs placed at a dest are drawn unscaled, or they blur.
            EXPECT_EQ(use.ref.dest.width(), source.width());
            EXPECT_EQ(use.ref.dest.height(), source.height());
        }
        if (use.ref.dest.empty() && use.ref.corner.empty() && use.ref.source.empty() && use.controlSize &&
            !use.fillsProgress) {
            // A whole image stretched over its control must already have the control's size.
            bool enlarged = use.attribute.find("Enlarge") != std::string::npos;
            double factor = enlarged ? 1.5 : 1.0;
            EXPECT_EQ(size->width, static_cast<int>(use.controlSize->width * factor));
            EXPECT_EQ(size->height, static_cast<int>(use.controlSize->height * factor));
        }
    }
}

TEST_F(SkinImages, CellStripsHaveNoUnusedOrMissingCells)
{
    std::map<std::string, std::vector<Rect>> sources;
    for (const auto& use : m_uses) {
        if (isLeftOut(use.ref.file))
            continue;
        auto size = imageSize(use.ref.file);
        if (!size)
            continue;  // reported by the test above
        sources[use.ref.file].push_back(use.ref.source.empty() ? Rect{0, 0, size->width, size->height}
                                                               : use.ref.source);
    }
    for (const auto& [file, rects] : sources) {
        auto size = imageSize(file);
        int right = 0, bottom = 0;
        for (const auto& r : rects) {
            right = std::max(right, r.r);
            bottom = std::max(bottom, r.b);
        }
        EXPECT_EQ(right, size->width) << file << ": cells do not span the strip";
        EXPECT_EQ(bottom, size->height) << file << ": cells do not span the strip";
    }
    // Within one control, the state cells of one strip are the same size.
    std::map<std::string, std::vector<const Use*>> byControl;
    for (const auto& use : m_uses) {
        byControl[use.where.substr(0, use.where.rfind(' ')) + "|" + use.ref.file].push_back(&use);
    }
    for (const auto& [key, uses] : byControl) {
        for (const Use* u : uses) {
            if (u->ref.source.empty() || uses.front()->ref.source.empty())
                continue;
            EXPECT_EQ(u->ref.source.width(), uses.front()->ref.source.width()) << u->where;
            EXPECT_EQ(u->ref.source.height(), uses.front()->ref.source.height()) << u->where;
        }
    }
}

// Sources and corners scale exactly (the art uses even sizes); a dest keeps its size exact and
// rounds its position down, as the enlarged layout does.
Rect scaledEach(const Rect& r)
{
    return {r.l * 3 / 2, r.t * 3 / 2, r.r * 3 / 2, r.b * 3 / 2};
}

Rect scaledDest(const Rect& r)
{
    auto s = [](int v) { return static_cast<int>(std::floor(v * 1.5)); };
    return {s(r.l), s(r.t), s(r.l) + s(r.width()), s(r.t) + s(r.height())};
}

std::string enlargedFile(const std::string& file)
{
    size_t slash = file.find('/');
    if (slash == std::string::npos)
        return "Enalarge/" + file;
    return file.substr(0, slash) + "Enalarge" + file.substr(slash);
}

TEST_F(SkinImages, EnlargedVariantsAreTheSameArtAtOneAndAHalfTimes)
{
    auto check = [](const std::string& where, const ImageRef& base, const ImageRef& big) {
        SCOPED_TRACE(where);
        EXPECT_EQ(big.file, enlargedFile(base.file));
        EXPECT_EQ(big.source, scaledEach(base.source));
        EXPECT_EQ(big.corner, scaledEach(base.corner));
        EXPECT_EQ(big.dest, scaledDest(base.dest));
        EXPECT_EQ(big.mask, base.mask);
        if (isLeftOut(base.file))
            return;
        auto small = imageSize(base.file);
        auto large = imageSize(big.file);
        ASSERT_TRUE(small && large) << base.file;
        EXPECT_EQ(large->width, small->width * 3 / 2);
        EXPECT_EQ(large->height, small->height * 3 / 2);
        EXPECT_EQ(small->width * 3 % 2 + small->height * 3 % 2, 0) << "odd size: no exact 1.5x rendering";
    };
    std::function<void(const std::string&, const XmlNode&)> walk = [&](const std::string& file,
                                                                       const XmlNode& node) {
        for (const auto& [base, partner] : kEnlargePartner) {
            const std::string* b = node.attribute(base);
            const std::string* p = node.attribute(partner);
            const std::string where = file + ":" + std::to_string(node.line) + " " + base;
            if (!b) {
                EXPECT_FALSE(p) << where << ": enlarged variant without its base";
                continue;
            }
            if (!p && isLeftOut(parseImage(*b).file))
                continue;
            ASSERT_TRUE(p) << where << ": no enlarged variant";
            check(where, parseImage(*b), parseImage(*p));
        }
        for (const auto& child : node.children)
            walk(file, child);
    };
    for (const auto& [file, root] : m_roots) {
        if (file != "scrollbar.xml")
            walk(file, root);
    }
}

TEST_F(SkinImages, TheSkinShipsNoImageThatNothingNamesAndNoneThatIsLeftOut)
{
    std::set<std::string> named;
    for (const auto& use : m_uses)
        named.insert(use.ref.file);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kStage)) {
        if (!entry.is_regular_file())
            continue;
        std::string name = std::filesystem::relative(entry.path(), kStage).generic_string();
        std::string ext = entry.path().extension().string();
        if (ext != ".png" && ext != ".bmp")
            continue;
        EXPECT_FALSE(isLeftOut(name)) << name;
        // An enlarged rendering belongs to its named 1x image even where only code shows that one.
        bool twinOfNamed = false;
        for (const auto& n : named)
            twinOfNamed = twinOfNamed || enlargedFile(n) == name;
        EXPECT_TRUE(named.count(name) || twinOfNamed) << name << " is rendered but nothing names it";
    }
}

TEST_F(SkinImages, IncludedMarkupIsPartOfTheSkin)
{
    std::function<void(const XmlNode&)> walk = [&](const XmlNode& node) {
        if (node.name == "Include") {
            const std::string* source = node.attribute("source");
            ASSERT_TRUE(source);
            EXPECT_TRUE(m_roots.count(*source)) << *source;
        }
        for (const auto& child : node.children)
            walk(child);
    };
    for (const auto& [file, root] : m_roots)
        walk(root);
}

TEST(SkinImageLanguage, ParsesTheFormsTheSkinsUse)
{
    ImageRef bare = parseImage("common\\msg_noice48.png");
    EXPECT_EQ(bare.file, "common/msg_noice48.png");
    EXPECT_TRUE(bare.source.empty());
    ImageRef full =
        parseImage("file='btn_login.png' source='60,0,120,44' corner='20,20,20,20' mask='0xffff00ff'");
    EXPECT_TRUE(full.parsed);
    EXPECT_EQ(full.file, "btn_login.png");
    EXPECT_EQ(full.source, (Rect{60, 0, 120, 44}));
    EXPECT_EQ(full.corner, (Rect{20, 20, 20, 20}));
    EXPECT_EQ(full.mask, "0xffff00ff");
    // The framework stops at a quote not followed by a space; the skins must never rely on that.
    EXPECT_FALSE(parseImage("file='a.png'source='0,0,1,1'").parsed);
    EXPECT_EQ(scaledDest(Rect{11, 10, 25, 24}), (Rect{16, 15, 37, 36}));
    EXPECT_EQ(scaledEach(Rect{26, 22, 26, 30}), (Rect{39, 33, 39, 45}));
    EXPECT_EQ(enlargedFile("common/close.png"), "commonEnalarge/close.png");
    EXPECT_EQ(enlargedFile("min.png"), "Enalarge/min.png");
}

}  // namespace
