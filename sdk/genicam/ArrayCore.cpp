#include "ArrayCore.h"

#include "ky/genicam/KyGenBoolean.h"
#include "ky/genicam/KyGenCommand.h"
#include "ky/genicam/KyGenEnum.h"
#include "ky/genicam/KyGenFloat.h"
#include "ky/genicam/KyGenInteger.h"
#include "ky/genicam/KyGenRegister.h"
#include "ky/genicam/KyGenString.h"
#include "nodes/Category.h"

namespace ky::gc {

ArrayCore::ArrayCore() = default;
ArrayCore::~ArrayCore() = default;

KyGenParameter *ArrayCore::MakeFeature(Node &node)
{
    std::unique_ptr<KyGenParameter> p;
    switch (node.Kind()) {
    case Interface::Integer:
        p = std::unique_ptr<KyGenParameter>(new KyGenInteger(this, &node));
        break;
    case Interface::Float:
        p = std::unique_ptr<KyGenParameter>(new KyGenFloat(this, &node));
        break;
    case Interface::Boolean:
        p = std::unique_ptr<KyGenParameter>(new KyGenBoolean(this, &node));
        break;
    case Interface::Command:
        p = std::unique_ptr<KyGenParameter>(new KyGenCommand(this, &node));
        break;
    case Interface::Enumeration:
        p = std::unique_ptr<KyGenParameter>(new KyGenEnum(this, &node));
        break;
    case Interface::String:
        p = std::unique_ptr<KyGenParameter>(new KyGenString(this, &node));
        break;
    case Interface::Register:
        p = std::unique_ptr<KyGenParameter>(new KyGenRegister(this, &node));
        break;
    default:
        return nullptr;
    }
    node.SetFeature(p.get());
    mFeatureByName[node.Name()] = p.get();
    mFeatures.push_back(std::move(p));
    return mFeatures.back().get();
}

KyResult ArrayCore::Load(const std::string &xml, IKyGenPort *port)
{
    std::lock_guard<std::recursive_mutex> lock(mMap.Mutex());
    mFeatures.clear();
    mFeatureByName.clear();
    mCategories.clear();
    mCategoryByName.clear();
    mCategoryOf.clear();
    mLoaded = false;
    auto load = [&]() { return mMap.Load(xml, port); };
    KyResult r = Guard(load);
    if (!r.IsOK()) {
        mMap.Clear();
        return r;
    }
    for (auto &node : mMap.Nodes()) {
        if (auto *category = dynamic_cast<ky::gc::Category *>(node.get())) {
            mCategories.push_back(std::unique_ptr<KyGenCategory>(new KyGenCategory(this, category)));
            mCategoryByName[category->Name()] = mCategories.back().get();
            for (Node *f : category->Features())
                mCategoryOf.emplace(f, category->Name());
        } else {
            MakeFeature(*node);
        }
    }
    mLoaded = true;
    return r;
}

KyGenParameter *ArrayCore::Feature(const std::string &name) const
{
    auto it = mFeatureByName.find(name);
    return it == mFeatureByName.end() ? nullptr : it->second;
}

KyGenCategory *ArrayCore::Category(const std::string &name) const
{
    auto it = mCategoryByName.find(name);
    return it == mCategoryByName.end() ? nullptr : it->second;
}

std::string ArrayCore::CategoryOf(const Node *node) const
{
    auto it = mCategoryOf.find(node);
    return it == mCategoryOf.end() ? std::string() : it->second;
}

ArrayCore::Announcements ArrayCore::Collect(const std::vector<Node *> &nodes) const
{
    Announcements out;
    for (Node *n : nodes) {
        KyGenParameter *p = n->Feature();
        if (!p)
            continue;
        std::vector<KyGenEventSink *> sinks = p->SinksToNotify();
        if (!sinks.empty())
            out.emplace_back(p, std::move(sinks));
    }
    return out;
}

void ArrayCore::Announce(const Announcements &pending)
{
    for (const auto &announcement : pending) {
        KyGenParameter *parameter = announcement.first;
        for (KyGenEventSink *sink : announcement.second) {
            // A sink's failure is its own; the other sinks are still told.
            ky::base::Guarded(GenICamLog(), "KyGenEventSink::OnParameterUpdate",
                              [&] { sink->OnParameterUpdate(parameter); });
        }
    }
}

void ArrayCore::AnnounceChanged(const std::vector<Node *> &changed)
{
    Announcements pending;
    {
        std::lock_guard<std::recursive_mutex> lock(mMap.Mutex());
        pending = Collect(mMap.Affected(changed));
    }
    Announce(pending);
}

}  // namespace ky::gc
