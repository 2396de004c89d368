// SPDX-License-Identifier: MIT
#include "midistreamurl.h"

namespace
{

constexpr std::string_view kSeparator = "://";

bool isPlain(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' ||
           c == '.' || c == '_' || c == '~' || c == '-';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string MidiStreamUrl::fromPath(std::string_view absolutePath)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url(kScheme);
    url += kSeparator;
    for (const char c : absolutePath) {
        const auto byte = static_cast<unsigned char>(c);
        if (isPlain(byte)) {
            url += c;
        } else {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0xF];
        }
    }
    return url;
}

std::optional<std::string> MidiStreamUrl::toPath(std::string_view url)
{
    if (!url.starts_with(kScheme) || url.substr(kScheme.size(), kSeparator.size()) != kSeparator)
        return std::nullopt;
    url.remove_prefix(kScheme.size() + kSeparator.size());
    std::string path;
    path.reserve(url.size());
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (url[i] != '%') {
            path += url[i];
            continue;
        }
        if (i + 2 >= url.size())
            return std::nullopt;
        const int high = hexValue(url[i + 1]);
        const int low = hexValue(url[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        path += static_cast<char>(high << 4 | low);
        i += 2;
    }
    return path;
}
