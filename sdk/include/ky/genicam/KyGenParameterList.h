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
    /// An empty list.
    KyGenParameterList();
    /// Destructor (the parameters stay).
    ~KyGenParameterList();

    /// Empties the list.
    void Clear();
    /// Adds a parameter.
    ///
    /// Stores the pointer only; resets the cursor. A null parameter is ignored (from Python, None
    /// is refused).
    ///
    /// @param[in] aParameter the parameter
    void Add(KyGenParameter *aParameter);
    /// The number of parameters in the list.
    ///
    /// @return the size
    uint32_t GetSize() const;
    /// The parameter at a position.
    ///
    /// @param[in] aIndex the position
    ///
    /// @return the parameter, or nullptr (None) past the end
    KyGenParameter *GetItem(uint32_t aIndex);
    /// The parameter at a position.
    ///
    /// @param[in] aIndex the position
    ///
    /// @return the parameter, or nullptr (None) past the end
    KyGenParameter *operator[](uint32_t aIndex);
    /// Sets the cursor on the first parameter.
    ///
    /// @return the first parameter, or nullptr (None) for an empty list
    KyGenParameter *GetFirst();
    /// Advances the cursor (without a GetFirst before it, to the first parameter).
    ///
    /// @return the next parameter, or nullptr (None) at the end
    KyGenParameter *GetNext();

private:
    std::vector<KyGenParameter *> mItems;
    size_t mCursor = 0;
};
