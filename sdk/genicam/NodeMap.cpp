#include "NodeMap.h"

#include <algorithm>
#include <set>

#include "ky/ByteOrder.h"
#include "GenICamLog.h"
#include "XmlLoader.h"

namespace ky::gc {

NodeMap::NodeMap() = default;
NodeMap::~NodeMap() = default;

void NodeMap::Warn(const std::string &line)
{
    GenICamLog().LogWarning(__FILE__, __LINE__, "NodeMap::Load", ("[NodeMap::Load] " + line).c_str());
}

void NodeMap::Debug(const std::string &line)
{
    if (GenICamLog().IsEnabled(KyLogLevelDebug))
        GenICamLog().LogDebug(__FILE__, __LINE__, "NodeMap::Load", ("[NodeMap::Load] " + line).c_str());
}

void NodeMap::Clear()
{
    mByName.clear();
    mNodes.clear();
    mCache.clear();
    DetachChunks();
    mWritten.clear();
    mPort = nullptr;
}

bool NodeMap::Add(std::unique_ptr<Node> node)
{
    if (!mByName.emplace(node->Name(), node.get()).second)
        return false;
    mNodes.push_back(std::move(node));
    return true;
}

Node *NodeMap::Find(const std::string &name) const
{
    auto it = mByName.find(name);
    return it == mByName.end() ? nullptr : it->second;
}

KyResult NodeMap::Load(const std::string &xml, IKyGenPort *port)
{
    Clear();
    mPort = port;
    KyResult r = LoadNodes(*this, xml);
    if (r.IsOK())
        r = Link();
    if (r.IsOK())
        r = CheckCycles();
    if (!r.IsOK())
        Clear();
    return r;
}

KyResult NodeMap::Link()
{
    for (auto &node : mNodes) {
        KyResult r = node->Link();
        if (!r.IsOK())
            return r;
    }
    std::vector<const Property *> refs;
    for (auto &node : mNodes) {
        refs.clear();
        node->ValueReferences(refs);
        for (const Property *p : refs) {
            Node *t = p->Target();
            if (t && std::find(t->Dependents().begin(), t->Dependents().end(), node.get()) ==
                         t->Dependents().end())
                t->Dependents().push_back(node.get());
        }
    }
    return KyResult();
}

// A node whose value depends on itself would never finish reading: refuse such XML.
KyResult NodeMap::CheckCycles() const
{
    enum Color { White, Grey, Black };
    std::unordered_map<const Node *, Color> color;
    std::vector<const Property *> refs;
    for (const auto &start : mNodes) {
        if (color[start.get()] != White)
            continue;
        // Iterative depth-first walk: (node, next reference index).
        std::vector<std::pair<const Node *, size_t>> stack{{start.get(), 0}};
        color[start.get()] = Grey;
        while (!stack.empty()) {
            auto &[node, next] = stack.back();
            refs.clear();
            node->ValueReferences(refs);
            if (next >= refs.size()) {
                color[node] = Black;
                stack.pop_back();
                continue;
            }
            const Node *t = refs[next++]->Target();
            if (!t)
                continue;
            if (color[t] == Grey) {
                std::string path;
                bool on = false;
                for (auto &frame : stack) {
                    on = on || frame.first == t;
                    if (on)
                        path += frame.first->Name() + " -> ";
                }
                return KyResult(KY_GENICAM_XML_ERROR, KyString("reference cycle: " + path + t->Name()));
            }
            if (color[t] == White) {
                color[t] = Grey;
                stack.push_back({t, 0});
            }
        }
    }
    return KyResult();
}

NodeMap::CacheEntry *NodeMap::CacheFind(const Node *reg, uint64_t address, uint32_t length)
{
    auto it = mCache.find({reg, address, length});
    return it == mCache.end() ? nullptr : &it->second;
}

void NodeMap::CacheStore(const Node *reg, const Node *port, uint64_t address, const uint8_t *data,
                         uint32_t length, uint64_t stamp)
{
    CacheEntry &e = mCache[{reg, address, length}];
    e.bytes.assign(data, data + length);
    e.invalidatorStamp = stamp;
    e.filled = std::chrono::steady_clock::now();
    e.port = port;
}

void NodeMap::CacheDropOverlap(const Node *port, uint64_t address, uint32_t length)
{
    for (auto it = mCache.begin(); it != mCache.end();) {
        const Key &k = it->first;
        // Compared by distance so that ranges at the top of the address space do not wrap.
        bool overlaps = it->second.port == port && (k.address >= address ? k.address - address < length
                                                                         : address - k.address < k.length);
        it = overlaps ? mCache.erase(it) : std::next(it);
    }
}

void NodeMap::CacheClear() { mCache.clear(); }

void NodeMap::CacheDropSelected(const std::vector<Node *> &changed)
{
    std::set<const Node *> below;
    std::vector<const Node *> todo;
    for (Node *n : changed)
        for (Node *s : n->Selected())
            if (below.insert(s).second)
                todo.push_back(s);
    std::vector<const Property *> refs;
    while (!todo.empty()) {
        const Node *n = todo.back();
        todo.pop_back();
        refs.clear();
        n->ValueReferences(refs);
        for (const Property *p : refs)
            if (p->Target() && below.insert(p->Target()).second)
                todo.push_back(p->Target());
    }
    if (below.empty())
        return;
    for (auto it = mCache.begin(); it != mCache.end();)
        it = below.count(it->first.reg) ? mCache.erase(it) : std::next(it);
}

std::vector<Node *> NodeMap::CachePoll()
{
    std::vector<Node *> polled;
    auto now = std::chrono::steady_clock::now();
    for (auto &node : mNodes) {
        if (node->PollingTime() <= 0)
            continue;
        bool dropped = false;
        for (auto it = mCache.begin(); it != mCache.end();) {
            bool due = it->first.reg == node.get() &&
                       now - it->second.filled >= std::chrono::milliseconds(node->PollingTime());
            dropped = dropped || due;
            it = due ? mCache.erase(it) : std::next(it);
        }
        // A polled node without a cache entry (a computed value) is reported each time.
        if (dropped || node->Kind() != Interface::Register)
            polled.push_back(node.get());
    }
    return polled;
}

// GigE Vision chunk layout: each chunk's data is followed by its id and its length
// (big-endian 32-bit each), so the list is read from the end of the payload backwards.
KyResult NodeMap::AttachChunks(const uint8_t *data, uint32_t length)
{
    if (!data && length)
        return KyResult(KY_INVALID_PARAMETER, KyString("chunk data is null"));
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> chunks;
    uint32_t end = length;
    while (end > 0) {
        if (end < 8)
            return KyResult(
                KY_INVALID_DATA_FORMAT,
                KyString("chunk data ends in a partial chunk trailer of " + std::to_string(end) + " bytes"));
        uint32_t id = base::LoadBig32(data + end - 8), size = base::LoadBig32(data + end - 4);
        if (size > end - 8)
            return KyResult(KY_INVALID_DATA_FORMAT,
                            KyString("chunk " + std::to_string(id) + " claims " + std::to_string(size) +
                                     " bytes but only " + std::to_string(end - 8) + " precede it"));
        end -= 8 + size;
        chunks[id] = {end, size};  // walking backwards: with repeated ids the first chunk wins
    }
    // The chunks tile the whole payload: one copy of it holds them all.
    mChunkBytes.assign(length ? data : nullptr, length ? data + length : nullptr);
    mChunks = std::move(chunks);
    return KyResult();
}

KyResult NodeMap::AttachChunk(uint32_t chunkId, const uint8_t *data, uint32_t length)
{
    if (!data && length)
        return KyResult(KY_INVALID_PARAMETER, KyString("chunk data is null"));
    // Rebuilt without an earlier chunk of the id, so attaching again never grows the copy.
    std::vector<uint8_t> bytes;
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> chunks;
    uint64_t total = length;
    for (const auto &[id, span] : mChunks)
        if (id != chunkId)
            total += span.second;
    if (total > UINT32_MAX)
        return KyResult(KY_INVALID_PARAMETER, KyString("attached chunk data would exceed 4 GiB"));
    bytes.reserve(static_cast<size_t>(total));
    for (const auto &[id, span] : mChunks) {
        if (id == chunkId)
            continue;
        chunks[id] = {static_cast<uint32_t>(bytes.size()), span.second};
        bytes.insert(bytes.end(), mChunkBytes.begin() + span.first,
                     mChunkBytes.begin() + span.first + span.second);
    }
    chunks[chunkId] = {static_cast<uint32_t>(bytes.size()), length};
    if (length)
        bytes.insert(bytes.end(), data, data + length);
    mChunkBytes = std::move(bytes);
    mChunks = std::move(chunks);
    return KyResult();
}

void NodeMap::DetachChunks()
{
    mChunks.clear();
    mChunkBytes.clear();
    mChunkBytes.shrink_to_fit();
}

bool NodeMap::FindChunk(uint32_t chunkId, const uint8_t *&data, uint32_t &length) const
{
    auto it = mChunks.find(chunkId);
    if (it == mChunks.end())
        return false;
    data = mChunkBytes.data() + it->second.first;
    length = it->second.second;
    return true;
}

std::vector<Node *> NodeMap::Affected(const std::vector<Node *> &changed) const
{
    std::vector<Node *> out;
    std::set<Node *> seen;
    std::vector<Node *> todo;
    auto push = [&](Node *n) {
        if (seen.insert(n).second)
            todo.push_back(n);
    };
    for (Node *n : changed) {
        push(n);
        for (Node *i : n->Invalidates())
            push(i);
        for (Node *s : n->Selected())
            push(s);
    }
    while (!todo.empty()) {
        Node *n = todo.back();
        todo.pop_back();
        out.push_back(n);
        for (Node *d : n->Dependents())
            push(d);
        for (Node *i : n->Invalidates())
            push(i);
    }
    return out;
}

}  // namespace ky::gc
