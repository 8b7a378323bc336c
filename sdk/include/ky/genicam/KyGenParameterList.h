// KyGenParameterList: a list of parameters that it does not own, with a cursor.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class KyGenParameter;

class KY_GENICAM_API KyGenParameterList
{
public:
    KyGenParameterList();
    ~KyGenParameterList();

    void Clear();
    // Stores the pointer only; resets the cursor. A null parameter is ignored.
    void Add(KyGenParameter *aParameter);
    uint32_t GetSize() const;
    // The item at the index, or nullptr past the end.
    KyGenParameter *GetItem(uint32_t aIndex);
    KyGenParameter *operator[](uint32_t aIndex);
    // Sets the cursor on the first item; nullptr for an empty list.
    KyGenParameter *GetFirst();
    // Advances the cursor; nullptr at the end.
    KyGenParameter *GetNext();

private:
    std::vector<KyGenParameter *> mItems;
    size_t mCursor = 0;
};
