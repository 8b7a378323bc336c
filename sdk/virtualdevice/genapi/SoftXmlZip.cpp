#include "genapi/SoftXmlZip.h"

#include <zlib.h>

#include "ky/ByteOrder.h"

namespace ky::soft {

namespace {

constexpr uint32_t LOCAL_HEADER = 0x04034b50;
constexpr uint32_t CENTRAL_HEADER = 0x02014b50;
constexpr uint32_t END_RECORD = 0x06054b50;
constexpr uint16_t VERSION = 20;
constexpr uint16_t DEFLATED = 8;

// Zip fields are little-endian.
void Put(std::vector<uint8_t> &out, uint32_t value, int bytes)
{
    uint8_t field[4];
    ky::base::StoreUnsigned(field, static_cast<size_t>(bytes), ky::base::Endian::Little, value);
    out.insert(out.end(), field, field + bytes);
}

KyResult Deflate(const std::string &content, std::vector<uint8_t> &packed)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return KyResult(KY_GENERIC_ERROR, "deflate could not start");
    }
    packed.resize(deflateBound(&stream, static_cast<uLong>(content.size())));
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(content.data()));
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = packed.data();
    stream.avail_out = static_cast<uInt>(packed.size());
    const int status = deflate(&stream, Z_FINISH);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    return status == Z_STREAM_END ? KyResult(KY_OK) : KyResult(KY_GENERIC_ERROR, "deflate did not finish");
}

}  // namespace

KyResult SoftXmlZip::Pack(const std::string &entryName, const std::string &content, std::vector<uint8_t> &zip)
{
    if (content.size() >= 0xFFFFFFFFu || entryName.size() > 0xFFFF) {
        return KyResult(KY_GENERIC_ERROR, "the XML file is too large for a zip archive");
    }
    std::vector<uint8_t> packed;
    KyResult result = Deflate(content, packed);
    if (result.IsFailure()) {
        return result;
    }
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef *>(content.data()), static_cast<uInt>(content.size())));
    const auto size = static_cast<uint32_t>(content.size());
    const auto packedSize = static_cast<uint32_t>(packed.size());
    const auto nameLength = static_cast<uint32_t>(entryName.size());
    // The fields both headers share: version needed, flags, method, time, date, CRC, sizes, name.
    auto common = [&](std::vector<uint8_t> &out) {
        Put(out, VERSION, 2);
        Put(out, 0, 2);
        Put(out, DEFLATED, 2);
        Put(out, 0, 2);
        Put(out, 0x21, 2);  // 1980-01-01
        Put(out, crc, 4);
        Put(out, packedSize, 4);
        Put(out, size, 4);
        Put(out, nameLength, 2);
        Put(out, 0, 2);  // extra field length
    };
    zip.clear();
    Put(zip, LOCAL_HEADER, 4);
    common(zip);
    zip.insert(zip.end(), entryName.begin(), entryName.end());
    zip.insert(zip.end(), packed.begin(), packed.end());
    const auto central = static_cast<uint32_t>(zip.size());
    Put(zip, CENTRAL_HEADER, 4);
    Put(zip, VERSION, 2);  // made by
    common(zip);
    Put(zip, 0, 2);  // comment length
    Put(zip, 0, 2);  // disk
    Put(zip, 0, 2);  // internal attributes
    Put(zip, 0, 4);  // external attributes
    Put(zip, 0, 4);  // offset of the local header
    zip.insert(zip.end(), entryName.begin(), entryName.end());
    const auto centralSize = static_cast<uint32_t>(zip.size()) - central;
    Put(zip, END_RECORD, 4);
    Put(zip, 0, 4);  // disk numbers
    Put(zip, 1, 2);
    Put(zip, 1, 2);
    Put(zip, centralSize, 4);
    Put(zip, central, 4);
    Put(zip, 0, 2);  // comment length
    return KyResult(KY_OK);
}

}  // namespace ky::soft
