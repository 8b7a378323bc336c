"""KySessionInfo and IPConfig: plain records whose fields Python reads and writes (no network,
but kept with the discovery tests they belong to)."""
import _tavro_python as native
import pytest
import tavro_python as ky


def test_fresh_records():
    r = ky.KySessionInfo()
    assert r.mPort == 0 and str(r.mName) == "" and str(r.mAddress) == "" and str(r.mLocalAddress) == ""
    c = ky.IPConfig()
    assert c.mIPAddress == "" and c.mSubnetMask == ""


def test_session_port_range():
    r = ky.KySessionInfo()
    native.KySessionInfo_mPort_set(r, 65535)
    assert native.KySessionInfo_mPort_get(r) == 65535
    native.KySessionInfo_mPort_set(r, True)
    assert native.KySessionInfo_mPort_get(r) == 1
    with pytest.raises(OverflowError) as raised:
        native.KySessionInfo_mPort_set(r, 65536)
    assert str(raised.value) == "in method 'KySessionInfo_mPort_set', argument 2 of type 'uint16_t'"
    with pytest.raises(TypeError):
        native.KySessionInfo_mPort_set(r, "1")


def test_session_texts_are_copied_in_and_lent_out():
    r = ky.KySessionInfo()
    k = ky.KyString("first")
    native.KySessionInfo_mName_set(r, k)
    view = native.KySessionInfo_mName_get(r)
    assert str(view) == "first" and not view.thisown
    k += "changed"  # the field holds a copy
    assert str(native.KySessionInfo_mName_get(r)) == "first"
    native.KySessionInfo_mName_set(r, ky.KyString("second"))
    assert str(view) == "second"  # the view aliases the field


@pytest.mark.parametrize("field", ["mName", "mAddress", "mLocalAddress"])
def test_session_text_setters_refuse_str_and_none(field):
    r = ky.KySessionInfo()
    setter = getattr(native, "KySessionInfo_%s_set" % field)
    with pytest.raises(TypeError) as raised:
        setter(r, "plain str")
    assert str(raised.value) == "in method 'KySessionInfo_%s_set', argument 2 of type 'KyString *'" % field
    with pytest.raises(ValueError) as raised:
        setter(r, None)
    assert str(raised.value) == ("invalid null reference in method 'KySessionInfo_%s_set', argument 2 of type "
                                 "'KyString *'" % field)
    # no record: nothing is assigned
    assert setter(None, ky.KyString("x")) is None


def test_record_getters_refuse_none_as_self():
    with pytest.raises(TypeError) as raised:
        native.KySessionInfo_mPort_get(None)
    assert str(raised.value) == "in method 'KySessionInfo_mPort_get', argument 1 of type 'KySessionInfo *'"
    with pytest.raises(TypeError) as raised:
        native.IPConfig_mIPAddress_get(None)
    assert str(raised.value) == "in method 'IPConfig_mIPAddress_get', argument 1 of type 'KySystemLib::IPConfig *'"
    assert native.delete_KySessionInfo(None) is None


@pytest.mark.parametrize("field", ["mIPAddress", "mSubnetMask"])
def test_ip_config_texts(field):
    c = ky.IPConfig()
    setter = getattr(native, "IPConfig_%s_set" % field)
    getter = getattr(native, "IPConfig_%s_get" % field)
    setter(c, "255.255.0.0 é")
    assert getter(c) == "255.255.0.0 é"
    with pytest.raises(ValueError) as raised:
        setter(c, None)
    assert str(raised.value) == ("invalid null reference in method 'IPConfig_%s_set', argument 2 of type "
                                 "'std::string const &'" % field)
    for bad in (b"10.0.0.1", "\udcff"):
        with pytest.raises(TypeError) as raised:
            setter(c, bad)
        assert str(raised.value) == "in method 'IPConfig_%s_set', argument 2 of type 'std::string const &'" % field


def test_interfaces_and_records_made_by_python():
    controller = ky.KyUSBHostController()
    assert controller.thisown and controller.GetSpeed() == ky.KyUSBSpeedUnknown and controller.GetVendorID() == 0
    adapter = ky.KyNetworkAdapter()
    assert adapter.GetIPAddressCount() == 0 and native.KyInterface_GetName(adapter) == ""
    with pytest.raises(TypeError) as raised:
        native.KyUSBHostController_GetSpeed(adapter)
    assert str(raised.value) == ("in method 'KyUSBHostController_GetSpeed', argument 1 of type "
                                 "'KyUSBHostController const *'")
    with pytest.raises(TypeError) as raised:
        native.KyInterface_Compare(adapter)
    assert str(raised.value) == "KyInterface_Compare expected 2 arguments, got 1"
    assert native.KyInterface_Compare(None, adapter) is True
    u3v = ky.KyDeviceInfoU3V()
    assert native.KyDeviceInfoUSB_GetStatus(u3v) == ky.KyUSBStatusNotInitialized
    assert native.KyDeviceInfo_GetModelName(u3v) == ""
    with pytest.raises(TypeError):
        native.KyDeviceInfoUSB_GetStatus(ky.KyDeviceInfoGEV())
    tesmar = ky.KyDeviceInfoTesmarProtocol()
    assert tesmar.GetSoftwareMajor() == 0 and native.KyDeviceInfo_GetType(tesmar) == ky.KyDeviceInfoTypeTesmarProtocol


DOCSTRINGS = [
    # (flat function, text the docstring starts with or holds)
    ("new_KySystem", " Constructor."),
    ("delete_KySystem", " Destructor."),
    ("KySystem_Find", "\nFind all interfaces and GigE Vision, USB3 Vision and Tesmar Protocol devices reachable from "
                      "this system.\n"),
    ("KySystem_GetInterface", "\nGet a #KyInterface.\n\n:type aIndex: int, in\n"),
    ("KySystem_GetDeviceInfo", ":rtype: :py:class:`KyDeviceInfo`\n"),
    ("KyInterface_Copy", ":rtype: :py:class:`KyInterface`\n"),
    ("KyNetworkAdapter_GetIPAddress", ":type aIndex: int, in\n"),
    ("KyDeviceInfo_GetModelName", ":rtype: str\n"),
    ("KyDeviceInfoGEV_IsDHCPAvailable", ":rtype: boolean\n"),
    ("KyDeviceInfoTesmarProtocol_GetDeviceID", ":rtype: uint8_t\n"),
    ("new_KyDeviceInfoU3V", " Constructor."),
    ("KyDevice_CreateAndConnect", "*Overload 2:*"),
    ("KyDeviceGEV_SetIPConfiguration", ":param aGateway: the new gateway (optional"),
    ("KyDeviceGEV_ReadRegister", "tuple of the result and the value"),
    ("KyDeviceEventSink_OnCmdLinkRead", ":param aAddress:"),
]


@pytest.mark.parametrize("function,text", DOCSTRINGS, ids=[d[0] for d in DOCSTRINGS])
def test_docstrings_come_from_the_sdk_headers(function, text):
    assert text in getattr(native, function).__doc__


@pytest.mark.parametrize("function", ["new_IPConfig", "delete_IPConfig", "IPConfig_mIPAddress_get",
                                      "new_KySessionInfo", "KySessionInfo_mPort_set", "KySystem_swigregister",
                                      "KyDeviceGEV_swiginit"])
def test_rows_without_docstrings(function):
    assert getattr(native, function).__doc__ is None
