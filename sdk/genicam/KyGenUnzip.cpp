// The zip reader of KyGenXmlSource.h: just enough of the format for one XML file.
#include <algorithm>
#include <cctype>
#include <string>

#include <zlib.h>

#include "ky/ByteOrder.h"
#include "ky/genicam/KyGenXmlSource.h"

namespace {

// Little-endian fields at an offset that the caller has checked.
uint32_t Le16(const uint8_t *p) { return ky::base::LoadLittle16(p); }
uint32_t Le32(const uint8_t *p) { return ky::base::LoadLittle32(p); }

KyResult Bad(const std::string &why)
{
    return KyResult(KY_INVALID_DATA_FORMAT, KyString("zipped GenICam file: " + why));
}

constexpr uint32_t kEndSignature = 0x06054b50, kCentralSignature = 0x02014b50, kLocalSignature = 0x04034b50;
constexpr size_t kEndSize = 22, kCentralSize = 46, kLocalSize = 30;

struct Entry
{
    std::string name;
    uint32_t method, flags, crc, packed, size, localOffset;
};

bool IsXml(const std::string &name)
{
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".xml";
}

KyResult FindEntry(const uint8_t *data, size_t length, Entry &chosen)
{
    if (length < kEndSize)
        return Bad("shorter than an end record");
    // The end record is the last 22 bytes, or earlier when an archive comment follows it.
    size_t end = length - kEndSize, lowest = length > kEndSize + 65535 ? length - kEndSize - 65535 : 0;
    while (Le32(data + end) != kEndSignature) {
        if (end == lowest)
            return Bad("no end record");
        --end;
    }
    uint32_t count = Le16(data + end + 10), dirSize = Le32(data + end + 12),
             dirOffset = Le32(data + end + 16);
    if (count == 0)
        return Bad("no entries");
    if (dirOffset > end || dirSize > end - dirOffset)
        return Bad("the central directory lies outside the archive");
    bool found = false;
    size_t pos = dirOffset;
    for (uint32_t k = 0; k < count; ++k) {
        if (pos + kCentralSize > dirOffset + dirSize || Le32(data + pos) != kCentralSignature)
            return Bad("entry " + std::to_string(k) + " of the central directory is damaged");
        size_t nameLength = Le16(data + pos + 28), extra = Le16(data + pos + 30),
               comment = Le16(data + pos + 32);
        if (pos + kCentralSize + nameLength > dirOffset + dirSize)
            return Bad("an entry name runs past the directory");
        Entry e{std::string(reinterpret_cast<const char *>(data + pos + kCentralSize), nameLength),
                Le16(data + pos + 10),
                Le16(data + pos + 8),
                Le32(data + pos + 16),
                Le32(data + pos + 20),
                Le32(data + pos + 24),
                Le32(data + pos + 42)};
        if (!found || (IsXml(e.name) && !IsXml(chosen.name))) {
            chosen = e;
            found = true;
        }
        pos += kCentralSize + nameLength + extra + comment;
    }
    // With several entries, one must be the XML file; a single entry is taken whatever its name.
    if (count > 1 && !IsXml(chosen.name))
        return Bad("none of its " + std::to_string(count) + " entries is a .xml file");
    return KyResult();
}

}  // namespace

KyResult KyGenUnzipXml(const uint8_t *aData, size_t aLength, std::string &aXml)
{
    if (!aData)
        return KyResult(KY_INVALID_PARAMETER, KyString("zipped GenICam file: no data"));
    Entry e;
    KyResult r = FindEntry(aData, aLength, e);
    if (!r.IsOK())
        return r;
    if (e.flags & 1)
        return Bad("'" + e.name + "' is encrypted");
    if (e.packed == 0xFFFFFFFFu || e.size == 0xFFFFFFFFu || e.localOffset == 0xFFFFFFFFu)
        return Bad("zip64 is not supported");
    if (e.size > KY_GEN_XML_MAX_LENGTH)
        return Bad("'" + e.name + "' unpacks to " + std::to_string(e.size) + " bytes, too large");
    size_t local = e.localOffset;
    if (local > aLength || aLength - local < kLocalSize || Le32(aData + local) != kLocalSignature)
        return Bad("the local header of '" + e.name + "' is damaged");
    size_t start = local + kLocalSize + Le16(aData + local + 26) + Le16(aData + local + 28);
    if (start > aLength || e.packed > aLength - start)
        return Bad("the data of '" + e.name + "' runs past the archive");
    const uint8_t *packed = aData + start;
    // The declared size is a bound, not an allocation: a few bytes may claim 64 MiB. The text
    // grows with what the entry actually holds, and must come to exactly the declared size.
    std::string out;
    if (e.method == 0) {
        if (e.packed != e.size)
            return Bad("stored entry '" + e.name + "' has two different sizes");
        out.assign(packed, packed + e.size);
    } else if (e.method == 8) {
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
            return KyResult(KY_GENERIC_ERROR, KyString("zlib could not start"));
        z.next_in = const_cast<Bytef *>(packed);
        z.avail_in = e.packed;
        unsigned char piece[16384];
        int status = Z_OK;
        while (status == Z_OK) {
            z.next_out = piece;
            z.avail_out = sizeof piece;
            status = inflate(&z, Z_NO_FLUSH);
            const size_t got = sizeof piece - z.avail_out;
            if (got > e.size - out.size()) {
                status = Z_DATA_ERROR;  // more than it declared
                break;
            }
            if (out.capacity() - out.size() < got)
                out.reserve(std::min<size_t>(e.size, std::max(out.size() * 2, out.size() + got)));
            out.append(reinterpret_cast<const char *>(piece), got);
        }
        inflateEnd(&z);
        if (status != Z_STREAM_END || out.size() != e.size)
            return Bad("'" + e.name + "' does not inflate to its " + std::to_string(e.size) + " bytes");
    } else {
        return Bad("'" + e.name + "' uses compression method " + std::to_string(e.method) +
                   "; only stored and deflated are read");
    }
    uLong crc = crc32(0L, reinterpret_cast<const Bytef *>(out.data()), static_cast<uInt>(out.size()));
    if (crc != e.crc)
        return KyResult(KY_CORRUPTED_DATA,
                        KyString("zipped GenICam file: '" + e.name + "' fails its CRC check"));
    aXml.swap(out);
    return KyResult();
}
