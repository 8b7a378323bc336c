#include "ky/genicam/KyGenCommand.h"

#include "ArrayCore.h"
#include "ValueAccess.h"

KyResult KyGenCommand::Execute()
{
    return mCore->Change([&] { return ky::gc::CheckedExecute(*mNode); });
}

KyResult KyGenCommand::IsDone(bool &aDone)
{
    return mCore->Read([&] { return mNode->IsDone(aDone); });
}
