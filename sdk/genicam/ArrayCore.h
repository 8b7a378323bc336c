// ArrayCore: the inside of a KyGenParameterArray: the node map, the public objects made
// for its nodes, and the one place where calls lock the map and updates are announced.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ky/genicam/KyGenCategory.h"
#include "ky/genicam/KyGenEventSink.h"
#include "ky/genicam/KyGenParameter.h"
#include "GenICamLog.h"
#include "ky/Guarded.h"
#include "NodeMap.h"

namespace ky::gc {

class ArrayCore
{
public:
    ArrayCore();
    ~ArrayCore();

    KyResult Load(const std::string &xml, IKyGenPort *port);
    bool Loaded() const { return mLoaded; }
    NodeMap &Map() { return mMap; }

    const std::vector<std::unique_ptr<KyGenParameter>> &Features() const { return mFeatures; }
    KyGenParameter *Feature(const std::string &name) const;
    const std::vector<std::unique_ptr<KyGenCategory>> &Categories() const { return mCategories; }
    KyGenCategory *Category(const std::string &name) const;
    // Name of the first category that lists the node, or empty.
    std::string CategoryOf(const Node *node) const;

    // Runs a call under the array's lock; an exception becomes a result.
    template <typename F>
    KyResult Read(F f)
    {
        std::lock_guard<std::recursive_mutex> lock(mMap.Mutex());
        return Guard(f);
    }

    // Runs a change under the lock, then, with the lock released, tells the sinks of every
    // feature that the change wrote, invalidated or selected.
    template <typename F>
    KyResult Change(F f)
    {
        Announcements pending;
        KyResult r;
        {
            std::lock_guard<std::recursive_mutex> lock(mMap.Mutex());
            mMap.BeginOperation();
            r = Guard(f);
            mMap.CacheDropSelected(mMap.Written());
            pending = Collect(mMap.Affected(mMap.Written()));
        }
        Announce(pending);
        return r;
    }

    // Announces changes found outside a write (Poll).
    void AnnounceChanged(const std::vector<Node *> &changed);

private:
    using Announcements = std::vector<std::pair<KyGenParameter *, std::vector<KyGenEventSink *>>>;

    // A call into the map, which may reach program code (a port): whatever it throws becomes a
    // failed result and an error in the genicam log.
    template <typename F>
    static KyResult Guard(F &f)
    {
        return ky::base::Guarded(GenICamLog(), "a GenICam call", f);
    }
    Announcements Collect(const std::vector<Node *> &nodes) const;
    static void Announce(const Announcements &pending);
    KyGenParameter *MakeFeature(Node &node);

    NodeMap mMap;
    bool mLoaded = false;
    std::vector<std::unique_ptr<KyGenParameter>> mFeatures;
    std::unordered_map<std::string, KyGenParameter *> mFeatureByName;
    std::vector<std::unique_ptr<KyGenCategory>> mCategories;
    std::unordered_map<std::string, KyGenCategory *> mCategoryByName;
    std::unordered_map<const Node *, std::string> mCategoryOf;
};

}  // namespace ky::gc
