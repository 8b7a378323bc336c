// Sessions advertised by SAP (RFC 2974): a listener joins 224.2.127.254:9875 on every adapter of
// the host for a while and keeps what it hears. An announcement whose description (SDP) names a
// video stream adds its session (a repeated or changed announcement of the same origin and
// session replaces it); a deletion removes it. Datagrams that are no SAP announcement, are
// compressed or encrypted, carry no SDP or a description without video are skipped.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "rtp/SapPacket.h"

namespace ky::system {

struct HeardSession
{
    std::string key;  // origin and the description's o= line without its version
    std::string name;
    std::string address;  // the video's connection address
    uint16_t port = 0;
    std::string localAddress;  // the host's address to receive on
};

// What was heard, in the order the sessions were first announced.
class SessionDirectory
{
public:
    // One received announcement; `arrivalIp` is the address of the adapter it came in by (host
    // byte order, 0 when unknown), `hostIps` the host's addresses.
    void Heard(const ky::rtp::SapMessage &message, uint32_t arrivalIp, const std::vector<uint32_t> &hostIps);
    const std::vector<HeardSession> &Sessions() const { return mSessions; }

private:
    std::vector<HeardSession> mSessions;
};

// Listens for `duration` and gives the sessions heard. Never throws; a socket that cannot be
// opened gives none.
std::vector<HeardSession> ListenForSessions(std::chrono::milliseconds duration);

}  // namespace ky::system
