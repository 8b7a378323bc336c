"""Argument conventions of every flat function: counts, types, ranges, strict bool, null
references, KyString conversion, overload dispatch and comparisons. One table of cases."""
import types

import _tavro_python as native
import _tavro_testing as testing
import pytest
import tavro_python

RESULT = tavro_python.KyResult(5)
TEXT = tavro_python.KyString("abc")
LOGGER = tavro_python.KyLogger("conventions")

NEW_RESULT_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'new_KyResult'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    KyResult::KyResult()\n"
    "    KyResult::KyResult(uint32_t)\n"
    "    KyResult::KyResult(uint32_t,uint32_t)\n"
    "    KyResult::KyResult(uint32_t,KyString const &)\n"
    "    KyResult::KyResult(uint32_t,uint32_t,KyString const &)\n"
    "    KyResult::KyResult(KyResult const &)\n")
NEW_STRING_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'new_KyString'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    KyString::KyString()\n"
    "    KyString::KyString(KyString const &)\n"
    "    KyString::KyString(char const *)\n"
    "    KyString::KyString(char const *,unsigned int)\n"
    "    KyString::KyString(wchar_t const *)\n")


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


ERRORS = [
    # (case name, function, arguments, exception, exact text)
    ("count-fixed", native.KyResult_SetCode, (RESULT,), TypeError, "KyResult_SetCode expected 2 arguments, got 1"),
    ("count-fixed-more", native.KyResult_SetCode, (RESULT, 1, 2), TypeError,
     "KyResult_SetCode expected 2 arguments, got 3"),
    ("count-swiginit", native.KyResult_swiginit, (RESULT,), TypeError, "swiginit expected 2 arguments, got 1"),
    ("count-overloaded", native.new_KyResult, (1, 2, 3, 4), TypeError,
     "new_KyResult expected at most 3 arguments, got 4\nAdditional information:\n" + NEW_RESULT_DISPATCH),
    ("count-overloaded-string", native.new_KyString, (1, 2, 3), TypeError,
     "new_KyString expected at most 2 arguments, got 3\nAdditional information:\n" + NEW_STRING_DISPATCH),
    ("type-uint32", native.KyResult_SetCode, (RESULT, "x"), TypeError, arg_text("KyResult_SetCode", 2, "uint32_t")),
    ("overflow-uint32-high", native.KyResult_SetCode, (RESULT, 2 ** 32), OverflowError,
     arg_text("KyResult_SetCode", 2, "uint32_t")),
    ("overflow-uint32-negative", native.KyResult_SetCode, (RESULT, -1), OverflowError,
     arg_text("KyResult_SetCode", 2, "uint32_t")),
    ("overflow-int", native.KyLogger_LogInfo, (LOGGER, "f", 2 ** 31, "fn", "m"), OverflowError,
     arg_text("KyLogger_LogInfo", 3, "int")),
    ("type-int", native.KyLogger_LogWarning, (LOGGER, "f", 1.5, "fn", "m"), TypeError,
     arg_text("KyLogger_LogWarning", 3, "int")),
    ("type-int32", native.KyLogger_SetLogPriority, (LOGGER, "1"), TypeError,
     arg_text("KyLogger_SetLogPriority", 2, "int32_t")),
    ("type-enum", testing.TakeLevel, ("x",), TypeError, arg_text("TakeLevel", 1, "KyLogLevelEnum")),
    ("overflow-enum", testing.TakeLevel, (2 ** 31,), OverflowError, arg_text("TakeLevel", 1, "KyLogLevelEnum")),
    ("overflow-uint16", testing.TakeUInt16, (65536,), OverflowError, arg_text("TakeUInt16", 1, "uint16_t")),
    ("overflow-uint16-negative", testing.TakeUInt16, (-1,), OverflowError, arg_text("TakeUInt16", 1, "uint16_t")),
    ("overflow-int64", testing.TakeInt64, (2 ** 63,), OverflowError, arg_text("TakeInt64", 1, "int64_t")),
    ("overflow-uint64", testing.TakeUInt64, (2 ** 64,), OverflowError, arg_text("TakeUInt64", 1, "uint64_t")),
    ("overflow-size", testing.TakeSize, (-1,), OverflowError, arg_text("TakeSize", 1, "size_t")),
    ("type-double", testing.TakeDouble, ("1.0",), TypeError, arg_text("TakeDouble", 1, "double")),
    ("type-double-huge-int", testing.TakeDouble, (2 ** 1024,), TypeError, arg_text("TakeDouble", 1, "double")),
    ("bool-one", testing.TakeBool, (1,), TypeError, arg_text("TakeBool", 1, "bool")),
    ("bool-zero", testing.TakeBool, (0,), TypeError, arg_text("TakeBool", 1, "bool")),
    ("bool-none", testing.TakeBool, (None,), TypeError, arg_text("TakeBool", 1, "bool")),
    ("text-bytes", native.KyLogger_LogInfo, (LOGGER, b"f", 1, "fn", "m"), TypeError,
     arg_text("KyLogger_LogInfo", 2, "char const *")),
    ("null-reference", native.KyResult_SetDescription, (RESULT, None), ValueError,
     "invalid null reference " + arg_text("KyResult_SetDescription", 2, "KyString const &")),
    ("wrapped-only-description", native.KyResult_SetDescription, (RESULT, "why"), TypeError,
     arg_text("KyResult_SetDescription", 2, "KyString const &")),
    ("kystring-bytes", native.new_KyLogger, (b"name",), TypeError,
     "Argument 1: failed to create KyString from Python string"),
    ("kystring-none", native.new_KyLogger, (None,), TypeError,
     "Argument 1: failed to create KyString from Python string"),
    ("kystring-probe-takes-anything", native.new_KyString, (5,), TypeError,
     "Argument 1: failed to create KyString from Python string"),
    ("kystring-int-position-2", native.KyString___iadd__, (TEXT, 5), TypeError,
     "Argument 2: failed to create KyString from Python string"),
    ("kystring-bytearray", testing.EchoText, (0, bytearray(b"x")), TypeError,
     "Argument 2: failed to create KyString from Python string"),
    ("dispatch-description-str", native.new_KyResult, (1, "why"), TypeError, NEW_RESULT_DISPATCH),
    ("dispatch-string-count", native.new_KyString, ("abc", -1), TypeError, NEW_STRING_DISPATCH),
    ("dispatch-string-narrow", native.new_KyString, (b"abc", 1), TypeError, NEW_STRING_DISPATCH),
    ("none-instance", native.KyResult_GetCode, (None,), TypeError, arg_text("KyResult_GetCode", 1, "KyResult const *")),
    ("none-instance-method", native.KyLogger_LogInfo, (None, "f", 1, "fn", "m"), TypeError,
     arg_text("KyLogger_LogInfo", 1, "KyLogger *")),
    ("none-instance-disown", native.disown_KyLogSink, (None,), TypeError, arg_text("disown_KyLogSink", 1, "KyLogSink *")),
    ("wrong-instance", native.KyResult_GetCode, (TEXT,), TypeError, arg_text("KyResult_GetCode", 1, "KyResult const *")),
    ("delete-wrong-instance", native.delete_KyResult, (TEXT,), TypeError, arg_text("delete_KyResult", 1, "KyResult *")),
    ("swiginit-not-instance", native.KyResult_swiginit, (RESULT, 5), TypeError, "Attempt to append a non SwigPyObject"),
    ("swiginit-fresh-proxy-not-instance", native.KyResult_swiginit, (types.SimpleNamespace(), "x"), TypeError,
     "Attempt to append a non SwigPyObject"),
    ("abstract-callback", native.new_KyLogSink, (None,), RuntimeError, "accessing abstract class or protected constructor"),
]


@pytest.mark.parametrize("function,args,error,text", [c[1:] for c in ERRORS], ids=[c[0] for c in ERRORS])
def test_argument_errors(function, args, error, text):
    with pytest.raises(error) as raised:
        function(*args)
    assert type(raised.value) is error
    assert str(raised.value) == text


ACCEPTED = [
    # (case name, function, arguments, result)
    ("bool-true", testing.TakeBool, (True,), True),
    ("int64-min", testing.TakeInt64, (-2 ** 63,), -2 ** 63),
    ("uint64-max", testing.TakeUInt64, (2 ** 64 - 1,), 2 ** 64 - 1),
    ("uint16-max", testing.TakeUInt16, (65535,), 65535),
    ("double-from-int", testing.TakeDouble, (3,), 3.0),
    ("enum-not-a-member", testing.TakeLevel, (-7,), -7),
    ("delete-none", native.delete_KyResult, (None,), None),
]


@pytest.mark.parametrize("function,args,result", [c[1:] for c in ACCEPTED], ids=[c[0] for c in ACCEPTED])
def test_accepted_arguments(function, args, result):
    assert function(*args) == result


COMPARISONS = [
    # (case name, function, arguments)
    ("result-str", native.KyResult___eq__, (RESULT, "x")),
    ("result-three-args", native.KyResult___eq__, (RESULT, 1, 2)),
    ("result-no-args", native.KyResult___ne__, ()),
    ("result-code-too-big", native.KyResult___eq__, (RESULT, 2 ** 32)),
    ("result-none", native.KyResult___eq__, (RESULT, None)),
    ("result-none-instance", native.KyResult___eq__, (None, 5)),
    ("string-int", native.KyString___eq__, (TEXT, 5)),
    ("string-bytes", native.KyString___ne__, (TEXT, b"abc")),
    ("string-none", native.KyString___eq__, (TEXT, None)),
    ("string-one-arg", native.KyString___eq__, (TEXT,)),
]


@pytest.mark.parametrize("function,args", [c[1:] for c in COMPARISONS], ids=[c[0] for c in COMPARISONS])
def test_comparisons_give_not_implemented(function, args):
    assert function(*args) is NotImplemented


# Every row of the method table, grouped by class in the table's order; within a class the
# constructor leads, then the destructor, the methods, the release of a callback class, and the
# registration and init rows close it.
FLAT_FUNCTIONS = {
    "KyResult": ["new_KyResult", "delete_KyResult", "KyResult_GetCode", "KyResult_SetCode", "KyResult_GetCodeString",
                 "KyResult_GetDescription", "KyResult_SetDescription", "KyResult_HasDescription",
                 "KyResult_GetOSCode", "KyResult_GetInternalCode", "KyResult_IsOK", "KyResult_IsPending",
                 "KyResult_IsSuccess", "KyResult_IsFailure", "KyResult___ior__", "KyResult___eq__", "KyResult___ne__",
                 "KyResult_swigregister", "KyResult_swiginit"],
    "KyString": ["new_KyString", "delete_KyString", "KyString_GetAscii", "KyString_GetUnicode", "KyString_GetLength",
                 "KyString___eq__", "KyString___ne__", "KyString___iadd__", "KyString___str__",
                 "KyString_swigregister", "KyString_swiginit"],
    "KyLogger": ["new_KyLogger", "delete_KyLogger", "KyLogger_LogInfo", "KyLogger_LogError", "KyLogger_LogWarning",
                 "KyLogger_LogCritical", "KyLogger_LogDebug", "KyLogger_SetLogPriority", "KyLogger_GetLogPriority",
                 "KyLogger_swigregister", "KyLogger_swiginit"],
    "KyLogSink": ["new_KyLogSink", "delete_KyLogSink", "KyLogSink_Log", "disown_KyLogSink", "KyLogSink_swigregister",
                  "KyLogSink_swiginit"],
    # static calls only: no constructor, destructor nor instance init
    "KyLogCategories": ["KyLogCategories_Count", "KyLogCategories_Name", "KyLogCategories_Find",
                        "KyLogCategories_SetLevel", "KyLogCategories_Configure", "KyLogCategories_swigregister"],
    "KySessionInfo": ["new_KySessionInfo", "delete_KySessionInfo", "KySessionInfo_mName_set",
                      "KySessionInfo_mName_get", "KySessionInfo_mAddress_set", "KySessionInfo_mAddress_get",
                      "KySessionInfo_mPort_set", "KySessionInfo_mPort_get", "KySessionInfo_mLocalAddress_set",
                      "KySessionInfo_mLocalAddress_get", "KySessionInfo_swigregister", "KySessionInfo_swiginit"],
    "KySystem": ["new_KySystem", "delete_KySystem", "KySystem_Find", "KySystem_FindDevice",
                 "KySystem_SetDetectionTimeout", "KySystem_GetDetectionTimeout", "KySystem_SetSubnetBroadcastEnabled",
                 "KySystem_GetSubnetBroadcastEnabled", "KySystem_GetGEVSupportedVersion",
                 "KySystem_GetU3VSupportedVersion", "KySystem_RegisterEventSink", "KySystem_UnregisterEventSink",
                 "KySystem_GetInterfaceCount", "KySystem_GetInterface", "KySystem_GetDeviceCount",
                 "KySystem_GetDeviceInfo", "KySystem_DiscoverSessions", "KySystem_GetSessionInfo",
                 "KySystem_swigregister", "KySystem_swiginit"],
    "KyDeviceInfo": ["delete_KyDeviceInfo", "KyDeviceInfo_Copy", "KyDeviceInfo_GetType",
                     "KyDeviceInfo_GetVendorName", "KyDeviceInfo_GetModelName", "KyDeviceInfo_GetVersion",
                     "KyDeviceInfo_GetManufacturerInfo", "KyDeviceInfo_GetSerialNumber",
                     "KyDeviceInfo_GetUserDefinedName", "KyDeviceInfo_GetDisplayID", "KyDeviceInfo_GetUniqueID",
                     "KyDeviceInfo_GetConnectionID", "KyDeviceInfo_GetInterface", "KyDeviceInfo_IsConfigurationValid",
                     "KyDeviceInfo_GetClass", "KyDeviceInfo_swigregister"],
    "KyDeviceInfoGEV": ["new_KyDeviceInfoGEV", "delete_KyDeviceInfoGEV", "KyDeviceInfoGEV_GetMACAddress",
                        "KyDeviceInfoGEV_GetIPAddress", "KyDeviceInfoGEV_GetDefaultGateway",
                        "KyDeviceInfoGEV_GetSubnetMask", "KyDeviceInfoGEV_GetGEVVersion",
                        "KyDeviceInfoGEV_GetIPConfigOptionsString", "KyDeviceInfoGEV_GetIPConfigCurrentString",
                        "KyDeviceInfoGEV_IsLLAAvailable", "KyDeviceInfoGEV_IsDHCPAvailable",
                        "KyDeviceInfoGEV_IsPersistentAvailable", "KyDeviceInfoGEV_IsPRAvailable",
                        "KyDeviceInfoGEV_IsPGAvailable", "KyDeviceInfoGEV_IsLLAEnabled",
                        "KyDeviceInfoGEV_IsDHCPEnabled", "KyDeviceInfoGEV_IsPersistentEnabled",
                        "KyDeviceInfoGEV_IsPREnabled", "KyDeviceInfoGEV_IsPGEnabled", "KyDeviceInfoGEV_swigregister",
                        "KyDeviceInfoGEV_swiginit"],
    "KyDeviceInfoTesmarProtocol": ["new_KyDeviceInfoTesmarProtocol", "delete_KyDeviceInfoTesmarProtocol",
                                   "KyDeviceInfoTesmarProtocol_GetMACAddress",
                                   "KyDeviceInfoTesmarProtocol_GetIPAddress",
                                   "KyDeviceInfoTesmarProtocol_GetSubnetMask",
                                   "KyDeviceInfoTesmarProtocol_GetDefaultGateway",
                                   "KyDeviceInfoTesmarProtocol_GetDeviceID", "KyDeviceInfoTesmarProtocol_GetModuleID",
                                   "KyDeviceInfoTesmarProtocol_GetSubID", "KyDeviceInfoTesmarProtocol_GetVendorID",
                                   "KyDeviceInfoTesmarProtocol_GetSoftwareMajor",
                                   "KyDeviceInfoTesmarProtocol_GetSoftwareMinor",
                                   "KyDeviceInfoTesmarProtocol_swigregister", "KyDeviceInfoTesmarProtocol_swiginit"],
    "KyDeviceInfoUSB": ["new_KyDeviceInfoUSB", "delete_KyDeviceInfoUSB", "KyDeviceInfoUSB_GetStatus",
                        "KyDeviceInfoUSB_swigregister", "KyDeviceInfoUSB_swiginit"],
    "KyDeviceInfoU3V": ["new_KyDeviceInfoU3V", "delete_KyDeviceInfoU3V", "KyDeviceInfoU3V_GetGenCPVersion",
                        "KyDeviceInfoU3V_GetU3VVersion", "KyDeviceInfoU3V_GetDeviceGUID",
                        "KyDeviceInfoU3V_GetFamilyName", "KyDeviceInfoU3V_GetU3VSerialNumber",
                        "KyDeviceInfoU3V_GetDevicePath", "KyDeviceInfoU3V_GetDeviceKey",
                        "KyDeviceInfoU3V_GetSpeedMessage", "KyDeviceInfoU3V_GetPowerMessage",
                        "KyDeviceInfoU3V_IsLowSpeedSupported", "KyDeviceInfoU3V_IsFullSpeedSupported",
                        "KyDeviceInfoU3V_IsHighSpeedSupported", "KyDeviceInfoU3V_IsSuperSpeedSupported",
                        "KyDeviceInfoU3V_IsCurrentSpeedSupported", "KyDeviceInfoU3V_GetSpeed",
                        "KyDeviceInfoU3V_GetMaxPower", "KyDeviceInfoU3V_GetMaxPacketSize",
                        "KyDeviceInfoU3V_IsTesmarDriverInstalled", "KyDeviceInfoU3V_IsInitializedCapabilities",
                        "KyDeviceInfoU3V_swigregister", "KyDeviceInfoU3V_swiginit"],
    "KyInterface": ["delete_KyInterface", "KyInterface_Copy", "KyInterface_GetType", "KyInterface_GetName",
                    "KyInterface_GetDisplayID", "KyInterface_GetUniqueID", "KyInterface_GetCompareID",
                    "KyInterface_GetDeviceCount", "KyInterface_GetDeviceInfo", "KyInterface_Compare",
                    "KyInterface_GetTesmarDriverVersion", "KyInterface_swigregister"],
    "IPConfig": ["new_IPConfig", "delete_IPConfig", "IPConfig_mIPAddress_set", "IPConfig_mIPAddress_get",
                 "IPConfig_mSubnetMask_set", "IPConfig_mSubnetMask_get", "IPConfig_swigregister", "IPConfig_swiginit"],
    "KyNetworkAdapter": ["new_KyNetworkAdapter", "delete_KyNetworkAdapter", "KyNetworkAdapter_GetMACAddress",
                         "KyNetworkAdapter_GetDescription", "KyNetworkAdapter_GetIPAddressCount",
                         "KyNetworkAdapter_GetIPAddress", "KyNetworkAdapter_GetSubnetMask",
                         "KyNetworkAdapter_GetDefaultGateway", "KyNetworkAdapter_IsTesmarDriverInstalled",
                         "KyNetworkAdapter_swigregister", "KyNetworkAdapter_swiginit"],
    "KyUSBHostController": ["new_KyUSBHostController", "delete_KyUSBHostController",
                            "KyUSBHostController_GetVendorID", "KyUSBHostController_GetDeviceID",
                            "KyUSBHostController_GetSubsystemID", "KyUSBHostController_GetRevision",
                            "KyUSBHostController_GetSpeed", "KyUSBHostController_swigregister",
                            "KyUSBHostController_swiginit"],
    "KyDeviceEventSink": ["new_KyDeviceEventSink", "delete_KyDeviceEventSink",
                          "KyDeviceEventSink_OnLinkDisconnected", "KyDeviceEventSink_OnLinkReconnected",
                          "KyDeviceEventSink_OnEvent", "KyDeviceEventSink_OnEventGenICam",
                          "KyDeviceEventSink_OnCmdLinkRead", "KyDeviceEventSink_OnCmdLinkWrite",
                          "disown_KyDeviceEventSink", "KyDeviceEventSink_swigregister", "KyDeviceEventSink_swiginit"],
    "KyDevice": ["delete_KyDevice", "KyDevice_CreateAndConnect", "KyDevice_Free", "KyDevice_GetType",
                 "KyDevice_Connect", "KyDevice_Disconnect", "KyDevice_StreamEnable", "KyDevice_StreamDisable",
                 "KyDevice_IsConnected", "KyDevice_IsTesmarPowered", "KyDevice_DumpGenICamXML",
                 "KyDevice_GetDefaultGenICamXMLFilename", "KyDevice_GetParameters",
                 "KyDevice_GetCommunicationParameters", "KyDevice_ReadMemory", "KyDevice_WriteMemory",
                 "KyDevice_WaitForMessagingChannelIdle", "KyDevice_RegisterEventSink", "KyDevice_UnregisterEventSink",
                 "KyDevice_GetHeartbeatThreadPriority", "KyDevice_SetHeartbeatThreadPriority",
                 "KyDevice_GetInterruptLinkThreadPriority", "KyDevice_SetInterruptLinkThreadPriority",
                 "KyDevice_GetInterruptQueueThreadPriority", "KyDevice_SetInterruptQueueThreadPriority",
                 "KyDevice_GetPayloadSize", "KyDevice_GetUniqueID", "KyDevice_swigregister"],
    "KyDeviceGEV": ["new_KyDeviceGEV", "delete_KyDeviceGEV", "KyDeviceGEV_Connect",
                    "KyDeviceGEV_SetStreamDestination", "KyDeviceGEV_ResetStreamDestination",
                    "KyDeviceGEV_SetPacketSize", "KyDeviceGEV_NegotiatePacketSize", "KyDeviceGEV_ReadRegister",
                    "KyDeviceGEV_WriteRegister", "KyDeviceGEV_GetClass", "KyDeviceGEV_GetIPAddress",
                    "KyDeviceGEV_GetMACAddress", "KyDeviceGEV_GetAccessType", "KyDeviceGEV_SetIPConfiguration",
                    "KyDeviceGEV_swigregister", "KyDeviceGEV_swiginit"],
    "KyDeviceTesmarProtocol": ["KyDeviceTesmarProtocol_SetIPConfiguration", "delete_KyDeviceTesmarProtocol",
                               "KyDeviceTesmarProtocol_swigregister"],
    "KyDeviceAdapter": ["new_KyDeviceAdapter", "delete_KyDeviceAdapter", "KyDeviceAdapter_IsGenIntegerInNodeMap",
                        "KyDeviceAdapter_IsGenEnumInNodeMap", "KyDeviceAdapter_IsGenBooleanInNodeMap",
                        "KyDeviceAdapter_IsGenRegisterInNodeMap", "KyDeviceAdapter_IsGenReadable",
                        "KyDeviceAdapter_IsGenWritable", "KyDeviceAdapter_IsGenEnumEntryAvailable",
                        "KyDeviceAdapter_GetGenIntegerValue", "KyDeviceAdapter_GetGenEnumEntriesAvailable",
                        "KyDeviceAdapter_GetGenEnumValue", "KyDeviceAdapter_SetGenEnumValue",
                        "KyDeviceAdapter_GetGenBooleanValue", "KyDeviceAdapter_SetGenBooleanValue",
                        "KyDeviceAdapter_GetGenStringValue", "KyDeviceAdapter_GetGenRegisterLength",
                        "KyDeviceAdapter_GetGenRegisterData", "KyDeviceAdapter_SetGenRegisterData",
                        "KyDeviceAdapter_RegisterGenInvalidator", "KyDeviceAdapter_UnregisterGenInvalidator",
                        "KyDeviceAdapter_WriteRegister", "KyDeviceAdapter_ReadRegister",
                        "KyDeviceAdapter_WriteMemory", "KyDeviceAdapter_ReadMemory",
                        "KyDeviceAdapter_WaitForMessagingChannelIdle", "KyDeviceAdapter_IsConnected",
                        "KyDeviceAdapter_IsTesmarPowered", "KyDeviceAdapter_IsGigEVision",
                        "KyDeviceAdapter_IsUSB3Vision", "KyDeviceAdapter_RegisterEventSink",
                        "KyDeviceAdapter_UnregisterEventSink", "KyDeviceAdapter_GetUniqueID",
                        "KyDeviceAdapter_swigregister", "KyDeviceAdapter_swiginit"],
    "KyDeviceSerialPort": ["new_KyDeviceSerialPort", "delete_KyDeviceSerialPort", "KyDeviceSerialPort_Open",
                           "KyDeviceSerialPort_Close", "KyDeviceSerialPort_IsOpened", "KyDeviceSerialPort_Write",
                           "KyDeviceSerialPort_GetWriteProgress", "KyDeviceSerialPort_Read",
                           "KyDeviceSerialPort_NotifyReadComplete", "KyDeviceSerialPort_FlushRxBuffer",
                           "KyDeviceSerialPort_GetRxBytesReady", "KyDeviceSerialPort_GetRxBufferSize",
                           "KyDeviceSerialPort_SetRxBufferSize", "KyDeviceSerialPort_IsSupported",
                           "KyDeviceSerialPort_RegisterEchoSink", "KyDeviceSerialPort_UnregisterEchoSink",
                           "KyDeviceSerialPort_GetBytesSent", "KyDeviceSerialPort_GetBytesReceived",
                           "KyDeviceSerialPort_ResetStatistics", "KyDeviceSerialPort_swigregister",
                           "KyDeviceSerialPort_swiginit"],
}


def test_flat_function_table():
    functions = [n for n, v in vars(native).items() if callable(v) and not isinstance(v, type)]
    expected = [name for rows in FLAT_FUNCTIONS.values() for name in rows]
    assert sorted(functions) == sorted(expected)
    # the module's dict keeps the method table's order: classes in their order, rows grouped
    assert functions == expected


def test_swiginit_attaches_and_chains_instance_objects():
    proxy = types.SimpleNamespace()
    first = native.new_KyResult(7)
    assert native.KyResult_swiginit(proxy, first) is None
    assert proxy.this is first and native.KyResult_GetCode(proxy) == 7
    second = native.new_KyResult(8)
    assert native.KyResult_swiginit(proxy, second) is None
    assert proxy.this.next() is second


def test_python_equality_falls_back():
    assert (RESULT == "x") is False
    assert (RESULT != "x") is True
    assert (TEXT == 5) is False
