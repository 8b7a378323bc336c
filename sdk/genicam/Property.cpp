#include "Property.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "Node.h"
#include "NodeMap.h"

namespace ky::gc {

bool ParseInt(const std::string &raw, int64_t &value)
{
    size_t b = raw.find_first_not_of(" \t\r\n"), e = raw.find_last_not_of(" \t\r\n");
    if (b == std::string::npos)
        return false;
    std::string text = raw.substr(b, e - b + 1);
    bool negative = text[0] == '-';
    size_t start = (negative || text[0] == '+') ? 1 : 0;
    int base = 10;
    if (text.compare(start, 2, "0x") == 0 || text.compare(start, 2, "0X") == 0) {
        base = 16;
        start += 2;
    }
    if (start >= text.size() || text[start] == '-' || text[start] == '+')
        return false;
    errno = 0;
    char *end = nullptr;
    unsigned long long u = std::strtoull(text.c_str() + start, &end, base);
    if (errno == ERANGE || *end != '\0')
        return false;
    // Hexadecimal literals may use all 64 bits (masks); decimal ones must fit int64.
    if (base == 10 && u > (negative ? 9223372036854775808ULL : 9223372036854775807ULL))
        return false;
    value = static_cast<int64_t>(negative ? 0 - u : u);
    return true;
}

bool ParseFloat(const std::string &text, double &value)
{
    int64_t asInt = 0;
    if (ParseInt(text, asInt)) {
        value = static_cast<double>(asInt);
        return true;
    }
    errno = 0;
    char *end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n'))
        ++end;
    if (end == text.c_str() || *end != '\0' || std::isnan(v))
        return false;
    value = v;
    return true;
}

KyResult Property::Link(NodeMap &map, const Node &owner, const char *what)
{
    if (!mIsReference)
        return KyResult();
    mTarget = map.Find(mText);
    if (!mTarget)
        return KyResult(KY_GENICAM_XML_ERROR,
                        KyString(owner.Prefix() + what + " refers to the unknown node '" + mText + "'"));
    return KyResult();
}

KyResult Property::GetInt(const Node &owner, int64_t &value) const
{
    if (mTarget)
        return mTarget->GetInt(value);
    if (!ParseInt(mText, value))
        return owner.Error(KY_INVALID_DATA_FORMAT, "'" + mText + "' is not an integer");
    return KyResult();
}

KyResult Property::GetFloat(const Node &owner, double &value) const
{
    if (mTarget)
        return mTarget->GetFloat(value);
    if (!ParseFloat(mText, value))
        return owner.Error(KY_INVALID_DATA_FORMAT, "'" + mText + "' is not a number");
    return KyResult();
}

KyResult Property::GetString(const Node &, std::string &value) const
{
    if (mTarget)
        return mTarget->GetString(value);
    value = mText;
    return KyResult();
}

KyResult Property::SetInt(const Node &, int64_t value)
{
    if (mTarget)
        return mTarget->SetInt(value);
    mText = std::to_string(value);
    return KyResult();
}

KyResult Property::SetFloat(const Node &, double value)
{
    if (mTarget)
        return mTarget->SetFloat(value);
    std::ostringstream s;
    s.precision(17);
    s << value;
    mText = s.str();
    return KyResult();
}

KyResult Property::SetString(const Node &, const std::string &value)
{
    if (mTarget)
        return mTarget->SetString(value);
    mText = value;
    return KyResult();
}

}  // namespace ky::gc
