// A strict little XML reader for the skin tests. It accepts what both of the installer's readers
// accept in the shipped files (double-quoted attributes, the five named entities, character
// references, comments and declarations) and rejects anything sloppier, so a file that passes
// here is well-formed for the markup builder and the bundle loader alike.
#pragma once

#include <cstddef>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace skintest {

struct XmlNode {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;  // document order, decoded
    std::string text;                                             // decoded character data
    std::vector<XmlNode> children;
    int line = 0;

    const std::string* attribute(const std::string& key) const
    {
        for (const auto& [k, v] : attributes) {
            if (k == key)
                return &v;
        }
        return nullptr;
    }
};

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class MiniXml {
public:
    // Parses a whole document; on failure returns nothing and error() tells where and why.
    std::optional<XmlNode> parse(const std::string& text)
    {
        m_text = &text;
        m_pos = 0;
        m_error.clear();
        skipMisc();
        XmlNode root;
        if (!element(root))
            return std::nullopt;
        skipMisc();
        if (m_error.empty() && m_pos != text.size())
            fail("content after the root element");
        if (!m_error.empty())
            return std::nullopt;
        return root;
    }

    const std::string& error() const { return m_error; }

private:
    static bool isNameChar(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == ':' || c == '-' || c == '.';
    }

    bool fail(const std::string& why)
    {
        if (m_error.empty())
            m_error = why + " at line " + std::to_string(line());
        return false;
    }

    int line() const
    {
        int n = 1;
        for (size_t i = 0; i < m_pos && i < m_text->size(); ++i)
            n += (*m_text)[i] == '\n';
        return n;
    }

    bool startsWith(const char* s) const
    {
        return m_text->compare(m_pos, std::char_traits<char>::length(s), s) == 0;
    }

    void skipSpace()
    {
        while (m_pos < m_text->size() && std::string(" \t\r\n").find((*m_text)[m_pos]) != std::string::npos)
            ++m_pos;
    }

    // Declarations, processing instructions and comments between elements.
    void skipMisc()
    {
        for (;;) {
            skipSpace();
            if (startsWith("<?")) {
                size_t end = m_text->find("?>", m_pos);
                if (end == std::string::npos) {
                    fail("unterminated declaration");
                    return;
                }
                m_pos = end + 2;
            } else if (startsWith("<!--")) {
                size_t end = m_text->find("-->", m_pos);
                if (end == std::string::npos) {
                    fail("unterminated comment");
                    return;
                }
                m_pos = end + 3;
            } else {
                return;
            }
        }
    }

    std::string name()
    {
        size_t start = m_pos;
        while (m_pos < m_text->size() && isNameChar((*m_text)[m_pos]))
            ++m_pos;
        return m_text->substr(start, m_pos - start);
    }

    static void appendUtf8(std::string& out, unsigned long cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    // Decodes character data up to `stop`; a bare '<' or an unknown entity is an error.
    bool decodeUntil(char stop, std::string& out)
    {
        static const std::pair<const char*, char> kEntities[] = {
            {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
        while (m_pos < m_text->size() && (*m_text)[m_pos] != stop) {
            char c = (*m_text)[m_pos];
            if (c == '<')
                return fail("'<' inside a value");
            if (c != '&') {
                out += c;
                ++m_pos;
                continue;
            }
            bool known = false;
            for (const auto& [entity, ch] : kEntities) {
                if (startsWith(entity)) {
                    out += ch;
                    m_pos += std::char_traits<char>::length(entity);
                    known = true;
                    break;
                }
            }
            if (known)
                continue;
            if (startsWith("&#")) {
                size_t end = m_text->find(';', m_pos);
                if (end == std::string::npos || end - m_pos > 10)
                    return fail("bad character reference");
                std::string digits = m_text->substr(m_pos + 2, end - m_pos - 2);
                bool hex = !digits.empty() && digits[0] == 'x';
                unsigned long cp = std::stoul(hex ? digits.substr(1) : digits, nullptr, hex ? 16 : 10);
                appendUtf8(out, cp);
                m_pos = end + 1;
                continue;
            }
            return fail("unknown entity");
        }
        return true;
    }

    bool element(XmlNode& node)
    {
        if (!startsWith("<"))
            return fail("expected an element");
        ++m_pos;
        node.line = line();
        node.name = name();
        if (node.name.empty())
            return fail("empty element name");
        for (;;) {
            size_t before = m_pos;
            skipSpace();
            if (startsWith("/>")) {
                m_pos += 2;
                return true;
            }
            if (startsWith(">")) {
                ++m_pos;
                break;
            }
            if (m_pos == before)
                return fail("attributes must be separated by white space");
            std::string key = name();
            if (key.empty())
                return fail("bad attribute name in <" + node.name + ">");
            skipSpace();
            if (!startsWith("="))
                return fail("attribute " + key + " without '='");
            ++m_pos;
            skipSpace();
            if (!startsWith("\""))
                return fail("attribute " + key + " not in double quotes");
            ++m_pos;
            std::string value;
            if (!decodeUntil('"', value))
                return false;
            if (m_pos >= m_text->size())
                return fail("unterminated attribute " + key);
            ++m_pos;
            if (node.attribute(key))
                return fail("attribute " + key + " given twice");
            node.attributes.emplace_back(key, value);
        }
        for (;;) {
            if (!decodeUntil('<', node.text))
                return false;
            if (m_pos >= m_text->size())
                return fail("element <" + node.name + "> not closed");
            if (startsWith("<!--")) {
                size_t end = m_text->find("-->", m_pos);
                if (end == std::string::npos)
                    return fail("unterminated comment");
                m_pos = end + 3;
                continue;
            }
            if (startsWith("</")) {
                m_pos += 2;
                std::string closing = name();
                skipSpace();
                if (closing != node.name || !startsWith(">"))
                    return fail("</" + closing + "> does not close <" + node.name + ">");
                ++m_pos;
                return true;
            }
            node.children.emplace_back();
            if (!element(node.children.back()))
                return false;
        }
    }

    const std::string* m_text = nullptr;
    size_t m_pos = 0;
    std::string m_error;
};

}  // namespace skintest
