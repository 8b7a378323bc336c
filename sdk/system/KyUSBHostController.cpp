#include "ky/system/KyUSBHostController.h"

KyUSBHostController::KyUSBHostController() : KyInterface(KyInterfaceTypeUSBHostController) { }
KyUSBHostController::~KyUSBHostController() = default;

KyInterface *KyUSBHostController::Copy() const { return new KyUSBHostController(*this); }
