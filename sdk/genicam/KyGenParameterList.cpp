#include "ky/genicam/KyGenParameterList.h"

KyGenParameterList::KyGenParameterList() = default;
KyGenParameterList::~KyGenParameterList() = default;

void KyGenParameterList::Clear()
{
    mItems.clear();
    mCursor = 0;
}

void KyGenParameterList::Add(KyGenParameter *aParameter)
{
    if (aParameter)
        mItems.push_back(aParameter);
    mCursor = 0;
}

uint32_t KyGenParameterList::GetSize() const { return static_cast<uint32_t>(mItems.size()); }

KyGenParameter *KyGenParameterList::GetItem(uint32_t aIndex)
{
    return aIndex < mItems.size() ? mItems[aIndex] : nullptr;
}

KyGenParameter *KyGenParameterList::operator[](uint32_t aIndex) { return GetItem(aIndex); }

// mCursor is the position of the item that GetNext returns next: 0 before any GetFirst, so that
// a walk of GetNext calls alone starts at the first item too.
KyGenParameter *KyGenParameterList::GetFirst()
{
    mCursor = 0;
    return GetNext();
}

KyGenParameter *KyGenParameterList::GetNext()
{
    if (mCursor >= mItems.size())
        return nullptr;
    return mItems[mCursor++];
}
