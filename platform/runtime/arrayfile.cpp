// Array files: numbers in text, one per line, in fields of a fixed width.
// Plain C++ with no locale: the same bytes on every machine.
#include "platform/runtime/replacefile.h"
#include "platform/textfile.h"
#include "platform/ui.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace {

constexpr int kMaxElements = 1 << 20;
// The longest line a number of any element type needs, with room for
// padding; a longer line is not a number file.
constexpr std::size_t kMaxLine = 64;

bool ValidType(int type)
{
    return type == TYPE_U16 || type == TYPE_I32 || type == TYPE_U32 || type == TYPE_DOUBLE;
}

bool ValidShape(const void *array, int type, int count, int groups)
{
    return array && ValidType(type) && count > 0 && count <= kMaxElements && groups == 1;
}

// Formats element i right-aligned in `width` characters.
int FormatElement(char *out, std::size_t size, const void *array, int type, int i, int width)
{
    switch (type) {
    case TYPE_U16:
        return std::snprintf(out, size, "%*u", width,
                             static_cast<unsigned>(static_cast<const std::uint16_t *>(array)[i]));
    case TYPE_I32:
        return std::snprintf(out, size, "%*d", width,
                             static_cast<int>(static_cast<const std::int32_t *>(array)[i]));
    case TYPE_U32:
        return std::snprintf(out, size, "%*u", width,
                             static_cast<unsigned>(static_cast<const std::uint32_t *>(array)[i]));
    default: {
        // to_chars, unlike printf, never writes a locale's decimal comma.
        char digits[40];
        const auto r = std::to_chars(digits, digits + sizeof digits,
                                     static_cast<const double *>(array)[i]);
        const int n = static_cast<int>(r.ptr - digits);
        return std::snprintf(out, size, "%*.*s", width, n, digits);
    }
    }
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Parses one line holding one whole number (optional blanks around it).
// Decimal digits only, locale-free; false on anything else or on overflow.
bool ParseInteger(const char *s, std::size_t n, bool allowMinus, long long max, long long &value)
{
    std::size_t i = 0;
    while (i < n && IsBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (negative && !allowMinus)
        return false;
    if (i >= n || s[i] < '0' || s[i] > '9')
        return false;
    unsigned long long v = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') {
        v = v * 10 + static_cast<unsigned>(s[i] - '0');
        if (v > static_cast<unsigned long long>(max) + (negative ? 1 : 0))
            return false;
        ++i;
    }
    while (i < n && IsBlank(s[i]))
        ++i;
    if (i != n)
        return false;
    value = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
    return true;
}

bool ParseDouble(const char *s, std::size_t n, double &value)
{
    std::size_t b = 0, e = n;
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    if (b < e && s[b] == '+')
        ++b;
    const auto r = std::from_chars(s + b, s + e, value); // locale-free
    return r.ec == std::errc() && r.ptr == s + e && b < e;
}

bool StoreElement(void *array, int type, int i, const char *s, std::size_t n)
{
    long long v = 0;
    switch (type) {
    case TYPE_U16:
        // Whole numbers of the file are unsigned 32-bit; the 16-bit store
        // keeps the low half, as the parameter file's reader expects.
        if (!ParseInteger(s, n, false, std::numeric_limits<std::uint32_t>::max(), v))
            return false;
        static_cast<std::uint16_t *>(array)[i] = static_cast<std::uint16_t>(v & 0xFFFF);
        return true;
    case TYPE_I32:
        if (!ParseInteger(s, n, true, std::numeric_limits<std::int32_t>::max(), v))
            return false;
        static_cast<std::int32_t *>(array)[i] = static_cast<std::int32_t>(v);
        return true;
    case TYPE_U32:
        if (!ParseInteger(s, n, false, std::numeric_limits<std::uint32_t>::max(), v))
            return false;
        static_cast<std::uint32_t *>(array)[i] = static_cast<std::uint32_t>(v);
        return true;
    default:
        return ParseDouble(s, n, static_cast<double *>(array)[i]);
    }
}

std::size_t ElementSize(int type)
{
    return type == TYPE_U16 ? 2 : type == TYPE_DOUBLE ? 8 : 4;
}

} // namespace

int ArrayToFile(const char *file, const void *array, int type, int count, int groups,
                int groupLayout, int fieldLayout, int fieldWidth, int fileType)
{
    if (!file || !ValidShape(array, type, count, groups) || fileType != FILE_ASCII ||
        fieldLayout != FIELD_CONSTANT_WIDTH || fieldWidth < 0 || fieldWidth > 32 ||
        (groupLayout != GROUPS_IN_COLUMNS && groupLayout != GROUPS_IN_ROWS))
        return AFE_ARGUMENT;
    std::string text;
    char line[kMaxLine + 2];
    for (int i = 0; i < count; ++i) {
        const int n = FormatElement(line, sizeof line - 1, array, type, i, fieldWidth);
        if (n <= 0 || static_cast<std::size_t>(n) >= sizeof line - 1)
            return AFE_WRITE;
        line[n] = '\n';
        text.append(line, static_cast<std::size_t>(n) + 1);
    }
    // Written aside and put in place whole, or not at all.
    return rt::ReplaceFile(file, text.data(), text.size());
}

int TextToFile(const char *file, const char *text, int size)
{
    if (!file || !text || size < 0)
        return AFE_ARGUMENT;
    return rt::ReplaceFile(file, text, static_cast<std::size_t>(size));
}

int FileToArray(const char *file, void *array, int type, int count, int groups,
                int groupLayout, int fileType)
{
    if (!file || !ValidShape(array, type, count, groups) || fileType != FILE_ASCII ||
        (groupLayout != GROUPS_IN_COLUMNS && groupLayout != GROUPS_IN_ROWS))
        return AFE_ARGUMENT;
    std::FILE *f = std::fopen(file, "rb");
    if (!f)
        return AFE_OPEN;

    // Parse into a scratch copy so that a bad file leaves `array` untouched.
    const std::size_t bytes = ElementSize(type) * static_cast<std::size_t>(count);
    unsigned char small[256];
    unsigned char *scratch = bytes <= sizeof small ? small : new (std::nothrow) unsigned char[bytes];
    if (!scratch) {
        std::fclose(f);
        return AFE_READ;
    }

    int result = 0;
    int stored = 0;
    char line[kMaxLine + 1];
    std::size_t len = 0;
    bool overlong = false;
    for (;;) {
        const int c = std::fgetc(f);
        if (c == '\n' || c == EOF) {
            if (overlong) {
                result = AFE_BAD_NUMBER;
                break;
            }
            bool blank = true;
            for (std::size_t i = 0; i < len; ++i)
                blank = blank && IsBlank(line[i]);
            if (!blank) {
                if (stored == count) // more numbers than asked for: the extra ones are ignored
                    break;
                if (!StoreElement(scratch, type, stored, line, len)) {
                    result = AFE_BAD_NUMBER;
                    break;
                }
                ++stored;
            }
            len = 0;
            if (c == EOF)
                break;
            continue;
        }
        if (c == '\0') { // a binary file
            result = AFE_BAD_NUMBER;
            break;
        }
        if (len < kMaxLine)
            line[len++] = static_cast<char>(c);
        else
            overlong = true;
    }
    if (result == 0 && std::ferror(f))
        result = AFE_READ;
    std::fclose(f);
    if (result == 0 && stored < count)
        result = AFE_TOO_FEW;
    if (result == 0)
        std::memcpy(array, scratch, bytes);
    if (scratch != small)
        delete[] scratch;
    return result;
}
