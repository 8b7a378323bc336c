// KyStringList: a list of texts, as operations that return several names fill it.
#pragma once

#include <vector>

#include "ky/base/KyString.h"

class KyStringList : public std::vector<KyString>
{
public:
    using std::vector<KyString>::vector;
};
