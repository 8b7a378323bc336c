// KySessionInfoSDP: a session description (SDP text) read for what an RTP stream needs to open on
// it: the address and port its video arrives at, and what the packets carry (uncompressed video
// of a sampling and size, or H.264).
//
// Load it from the text a sender publishes (a file, an announcement), then pass it to
// KyStreamRTP::Open. A copy keeps its own text.
#pragma once

#include "ky/stream/KyStreamExport.h"

#include <cstdint>
#include <memory>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KY_STREAM_API KySessionInfoSDP
{
public:
    /// An empty description (IsValid is false until Load succeeds).
    KySessionInfoSDP();
    ~KySessionInfoSDP();
    KySessionInfoSDP(const KySessionInfoSDP &aOther);
    KySessionInfoSDP &operator=(const KySessionInfoSDP &aOther);

    /// Reads a session description; its first video media is the one a stream opens on.
    ///
    /// @param[in] aText the SDP text (at most 64 KiB)
    ///
    /// @return KY_OK; KY_INVALID_DATA_FORMAT (the description stays empty) for text that is too
    ///        long, a malformed line or number, or no video media
    KyResult Load(const KyString &aText);
    /// Whether a description was loaded.
    ///
    /// @return true after a successful Load
    bool IsValid() const;
    /// The text last loaded.
    ///
    /// @return the text; empty when none was loaded
    KyString GetText() const;
    /// The address the video is sent to: a multicast group, or this host's address.
    ///
    /// @return the dotted address; empty when the description names none
    KyString GetConnectionAddress() const;
    /// The UDP port (or, for RTP over TCP, the server's port) of the video.
    ///
    /// @return the port
    uint16_t GetPort() const;
    /// Whether the video is carried over TCP (transport TCP/RTP/AVP).
    ///
    /// @return true for TCP
    bool IsTCP() const;
    /// The RTP payload type number of the video.
    ///
    /// @return 0 to 127; -1 when none was loaded
    int32_t GetRTPPayloadType() const;
    /// What the packets carry.
    ///
    /// @return KyPayloadTypeImage (uncompressed video of a pixel type this kit receives),
    ///        KyPayloadTypeH264, or KyPayloadTypeUndefined
    KyPayloadType GetPayloadType() const;
    /// The uncompressed video's pixel type.
    ///
    /// @return the type; KyPixelUndefined for other payloads or a sampling this kit lacks
    KyPixelType GetPixelType() const;
    /// The uncompressed video's width.
    ///
    /// @return pixels; 0 when not given
    uint32_t GetWidth() const;
    /// The uncompressed video's height.
    ///
    /// @return lines; 0 when not given
    uint32_t GetHeight() const;

private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};
