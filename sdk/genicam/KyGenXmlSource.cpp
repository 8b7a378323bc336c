#include "ky/genicam/KyGenXmlSource.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "GenICamLog.h"
#include "ky/Guarded.h"

namespace {

KyResult Bad(const std::string &url, const std::string &why)
{
    return KyResult(KY_INVALID_PARAMETER, KyString("GenICam URL '" + url + "' " + why));
}

bool ParseHex64(const std::string &text, uint64_t &value)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 16)
        return false;
    for (char c : digits)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    value = std::strtoull(digits.c_str(), nullptr, 16);
    return true;
}

bool EndsWith(const std::string &text, const std::string &tail)
{
    if (text.size() < tail.size())
        return false;
    return std::equal(tail.rbegin(), tail.rend(), text.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

KyResult KyGenParseXmlUrl(const KyString &aUrl, KyGenXmlLocation &aLocation)
{
    std::string url = aUrl.str();
    size_t colon = url.find(':');
    if (colon == std::string::npos || colon == 0)
        return Bad(url, "has no scheme (such as \"Local:\")");
    KyGenXmlLocation out;
    out.mScheme = KyString(url.substr(0, colon));
    std::string scheme = url.substr(0, colon);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string rest = url.substr(colon + 1);
    if (scheme != "local") {
        out.mFileName = KyString(rest);
        aLocation = out;
        return KyResult();
    }
    size_t query = rest.find('?');
    if (query != std::string::npos)
        rest = rest.substr(0, query);
    size_t first = rest.find(';'), second = first == std::string::npos ? first : rest.find(';', first + 1);
    if (second == std::string::npos)
        return Bad(url, "is not of the form Local:name;address;length");
    std::string name = rest.substr(0, first), address = rest.substr(first + 1, second - first - 1),
                length = rest.substr(second + 1);
    name.erase(0, name.find_first_not_of('/'));  // some devices write "Local:///name.zip;..."
    if (name.empty())
        return Bad(url, "has no file name");
    if (!ParseHex64(address, out.mAddress))
        return Bad(url, "has a bad address '" + address + "'");
    if (!ParseHex64(length, out.mLength))
        return Bad(url, "has a bad length '" + length + "'");
    if (out.mLength == 0 || out.mLength > KY_GEN_XML_MAX_LENGTH)
        return Bad(url, "has the length " + std::to_string(out.mLength) + ", outside 1.." +
                            std::to_string(KY_GEN_XML_MAX_LENGTH));
    if (out.mAddress + out.mLength < out.mAddress)
        return Bad(url, "runs past the end of the address space");
    out.mFileName = KyString(name);
    out.mZipped = EndsWith(name, ".zip");
    aLocation = out;
    return KyResult();
}

namespace {

// Reads length bytes at address in pieces; each read asks for a multiple of 4 bytes. The
// length comes from the device: out grows with what was read (never beyond length), so a
// device that announces more than it holds costs what it held.
KyResult ReadBlock(const KyGenReadFunction &read, uint64_t address, uint64_t length, uint32_t chunk,
                   std::vector<uint8_t> &out)
{
    chunk = std::max<uint32_t>(4, chunk & ~3u);
    out.clear();
    std::vector<uint8_t> piece(chunk);
    for (uint64_t done = 0; done < length;) {
        uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(chunk, length - done));
        uint32_t asked = (n + 3) & ~3u;
        KyResult r = read(address + done, piece.data(), asked);
        if (!r.IsOK())
            return r;
        if (out.capacity() - out.size() < n)
            out.reserve(static_cast<size_t>(
                std::min<uint64_t>(length, std::max<uint64_t>(out.size() * 2, out.size() + n))));
        out.insert(out.end(), piece.begin(), piece.begin() + n);
        done += n;
    }
    return KyResult();
}

}  // namespace

KyResult KyGenReadXml(const KyGenReadFunction &aRead, const KyString &aUrl, KyString &aXml,
                      uint32_t aChunkSize)
{
    if (!aRead)
        return KyResult(KY_INVALID_PARAMETER, KyString("no read function"));
    KyGenXmlLocation where;
    KyResult r = KyGenParseXmlUrl(aUrl, where);
    if (!r.IsOK())
        return r;
    std::string scheme = where.mScheme.str();
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (scheme != "local")
        return KyResult(KY_NOT_SUPPORTED, KyString("GenICam URL '" + aUrl.str() +
                                                   "': only Local: files are read from the device"));
    // Out of memory for the file, or a read function that throws, comes back as a result.
    return ky::base::Guarded(ky::gc::GenICamLog(), "reading the GenICam XML", [&] {
        std::vector<uint8_t> file;
        KyResult read = ReadBlock(aRead, where.mAddress, where.mLength, aChunkSize, file);
        if (!read.IsOK())
            return read;
        std::string xml;
        if (where.mZipped) {
            read = KyGenUnzipXml(file.data(), file.size(), xml);
            if (!read.IsOK())
                return read;
        } else {
            xml.assign(file.begin(), file.end());
        }
        // Devices pad the file with zeros up to the length they announce.
        xml.erase(std::find(xml.begin(), xml.end(), '\0'), xml.end());
        aXml = KyString(xml);
        return KyResult();
    });
}

KyResult KyGenReadXmlFromDevice(const KyGenReadFunction &aRead, uint64_t aUrlAddress, KyString &aXml,
                                KyString *aUrl, uint32_t aChunkSize)
{
    if (!aRead)
        return KyResult(KY_INVALID_PARAMETER, KyString("no read function"));
    std::vector<uint8_t> reg;
    KyResult r = ky::base::Guarded(ky::gc::GenICamLog(), "reading the GenICam URL",
                                   [&] { return ReadBlock(aRead, aUrlAddress, 512, aChunkSize, reg); });
    if (!r.IsOK())
        return r;
    std::string url(reg.begin(), std::find(reg.begin(), reg.end(), 0));
    if (aUrl)
        *aUrl = KyString(url);
    return KyGenReadXml(aRead, KyString(url), aXml, aChunkSize);
}
