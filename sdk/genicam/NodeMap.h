// NodeMap: owns the nodes read from a device's GenICam XML, finds them by name, and holds
// what they share: the device port, the register cache, attached chunk data, the depth
// guard and the record of what one operation wrote.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "ky/genicam/IKyGenPort.h"
#include "ky/genicam/KyGenApiHandles.h"
#include "ky/base/KyResult.h"
#include "Node.h"

namespace ky::gc {

class NodeMap : public KyGenApi::INodeMap
{
public:
    static constexpr int kMaxDepth = 64;

    NodeMap();
    ~NodeMap();

    // Parses the XML and links the nodes; on failure the map stays empty.
    KyResult Load(const std::string &xml, IKyGenPort *port);
    void Clear();

    Node *Find(const std::string &name) const;
    const std::vector<std::unique_ptr<Node>> &Nodes() const { return mNodes; }
    // Adds a node made by the loader; false when the name is taken.
    bool Add(std::unique_ptr<Node> node);

    IKyGenPort *DevicePort() const { return mPort; }
    std::recursive_mutex &Mutex() { return mMutex; }

    // Depth of nested node calls, for DepthGuard.
    int &Depth() { return mDepth; }

    // Register cache, keyed by register node, address and length.
    struct CacheEntry
    {
        std::vector<uint8_t> bytes;
        const Node *port = nullptr;
        uint64_t invalidatorStamp = 0;
        std::chrono::steady_clock::time_point filled;
    };
    CacheEntry *CacheFind(const Node *reg, uint64_t address, uint32_t length);
    void CacheStore(const Node *reg, const Node *port, uint64_t address, const uint8_t *data, uint32_t length,
                    uint64_t stamp);
    // Drops every entry of the port that overlaps the written range.
    void CacheDropOverlap(const Node *port, uint64_t address, uint32_t length);
    void CacheClear();
    // After a selector changed: drops the cached bytes of every register that the features
    // it selects read, since a device may answer them for the newly selected item.
    void CacheDropSelected(const std::vector<Node *> &changed);
    // Drops the entries of polled registers whose polling time has passed; returns those registers.
    std::vector<Node *> CachePoll();
    uint64_t CacheHits() const { return mHits; }
    uint64_t CacheMisses() const { return mMisses; }
    void CountHit() { ++mHits; }
    void CountMiss() { ++mMisses; }
    // Reads bypass the cache while this is above zero (command completion checks).
    int &BypassCache() { return mBypass; }

    // Chunk data: the payload of one buffer, located by chunk id. The map keeps its own copy
    // of the attached bytes, so the caller's memory may go as soon as the attach returns.
    KyResult AttachChunks(const uint8_t *data, uint32_t length);
    KyResult AttachChunk(uint32_t chunkId, const uint8_t *data, uint32_t length);
    void DetachChunks();
    bool FindChunk(uint32_t chunkId, const uint8_t *&data, uint32_t &length) const;

    // One operation (a feature write) records the nodes it wrote; Affected() gives the
    // nodes whose value may have changed through it.
    void BeginOperation() { mWritten.clear(); }
    void NoteWritten(Node *node) { mWritten.push_back(node); }
    std::vector<Node *> Affected(const std::vector<Node *> &changed) const;
    const std::vector<Node *> &Written() const { return mWritten; }

    // Log records under the category "GenICam": what the loader skipped (warning) or
    // ignored inside a node it knows (debug).
    static void Warn(const std::string &line);
    static void Debug(const std::string &line);

private:
    KyResult Link();
    KyResult CheckCycles() const;

    std::recursive_mutex mMutex;
    std::vector<std::unique_ptr<Node>> mNodes;
    std::unordered_map<std::string, Node *> mByName;
    IKyGenPort *mPort = nullptr;
    int mDepth = 0;
    int mBypass = 0;
    struct Key
    {
        const Node *reg;
        uint64_t address;
        uint32_t length;
        bool operator<(const Key &o) const
        {
            return reg != o.reg ? reg < o.reg
                                : (address != o.address ? address < o.address : length < o.length);
        }
    };
    std::map<Key, CacheEntry> mCache;
    uint64_t mHits = 0, mMisses = 0;
    std::vector<uint8_t> mChunkBytes;                           // copy of the attached chunks
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> mChunks;  // id -> offset, length in mChunkBytes
    std::vector<Node *> mWritten;
};

// Counts nesting of node calls; a chain deeper than NodeMap::kMaxDepth is refused.
class DepthGuard
{
public:
    DepthGuard(NodeMap &map, const Node &node) : mDepth(map.Depth()), mNode(node) { ++mDepth; }
    ~DepthGuard() { --mDepth; }
    bool Ok() const { return mDepth <= NodeMap::kMaxDepth; }
    KyResult Result() const
    {
        return mNode.Error(KY_GENICAM_XML_ERROR,
                           "reference chain deeper than " + std::to_string(NodeMap::kMaxDepth) + " nodes");
    }

private:
    int &mDepth;
    const Node &mNode;
};

}  // namespace ky::gc
