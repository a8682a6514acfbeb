#include "text.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <cwctype>

namespace tarnvale::server {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string decodeComponent(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 &&
                   hexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

// Decodes one UTF-8 sequence at s[i]; returns its length, 0 when it is not valid UTF-8.
std::size_t decodeUtf8(std::string_view s, std::size_t i, char32_t &cp)
{
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    if (b < 0x80) {
        cp = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        cp = b & 0x1F;
        len = 2;
    } else if ((b & 0xF0) == 0xE0) {
        cp = b & 0x0F;
        len = 3;
    } else if ((b & 0xF8) == 0xF0) {
        cp = b & 0x07;
        len = 4;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    return len;
}

void encodeUtf8(char32_t cp, std::string &out)
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

} // namespace

Fields decodeForm(std::string_view body)
{
    Fields fields;
    for (const std::string &pair : split(body, '&')) {
        if (pair.empty())
            continue;
        const auto eq = pair.find('=');
        if (eq == std::string::npos)
            fields.emplace_back(decodeComponent(pair), std::string());
        else
            fields.emplace_back(decodeComponent(std::string_view(pair).substr(0, eq)),
                                decodeComponent(std::string_view(pair).substr(eq + 1)));
    }
    return fields;
}

const std::string *findField(const Fields &fields, std::string_view name)
{
    for (const auto &[n, v] : fields) {
        if (n == name)
            return &v;
    }
    return nullptr;
}

std::vector<std::string> split(std::string_view text, char separator)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const auto pos = text.find(separator, start);
        if (pos == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            return pieces;
        }
        pieces.emplace_back(text.substr(start, pos - start));
        start = pos + 1;
    }
}

std::string join(const std::vector<std::string> &pieces, char separator)
{
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i)
            out += separator;
        out += pieces[i];
    }
    return out;
}

std::string toLower(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const std::size_t len = decodeUtf8(text, i, cp);
        if (len == 0) {
            out += text[i++];
            continue;
        }
        if (cp < 0x80)
            out += static_cast<char>(cp >= 'A' && cp <= 'Z' ? cp + 32 : cp);
        else
            encodeUtf8(static_cast<char32_t>(std::towlower(static_cast<wint_t>(cp))), out);
        i += len;
    }
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return toLower(a) == toLower(b);
}

std::string trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

std::string printable(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (b < 0x20 || b == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", b);
            out += buf;
        } else
            out += c;
    }
    return out;
}

std::string htmlEscape(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string utcNow()
{
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const std::time_t secs = static_cast<std::time_t>(ms.count() / 1000);
    std::tm tm{};
    gmtime_r(&secs, &tm);
    char buf[40];
    const std::size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
    std::snprintf(buf + n, sizeof buf - n, ".%03dZ", static_cast<int>(ms.count() % 1000));
    return buf;
}

} // namespace tarnvale::server
