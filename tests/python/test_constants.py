"""The module's 463 constants and 29 enumeration dictionaries against the SDK's tables."""
import _tavro_python as native
import tavro_python


def _expected_registration(tables):
    """Names in the order the init function registers them: an enumeration's dict is created by
    its first member, so it follows that member."""
    codes, masks, enums = tables
    order = []

    def add_enum(name, members):
        for i, (member, _) in enumerate(members):
            order.append(member)
            if i == 0:
                order.append(name)

    order += [n for n, _ in codes]
    add_enum(*enums[0])
    order += [n for n, _ in masks]
    for name, members in enums[1:]:
        add_enum(name, members)
    return order


def _registered():
    return [n for n, v in vars(native).items() if type(v) in (int, dict)]


def test_counts(tables):
    codes, masks, enums = tables
    dicts = [v for v in vars(native).values() if type(v) is dict]
    ints = [v for v in vars(native).values() if type(v) is int]
    assert len(dicts) == 29
    assert len(ints) == 463
    assert len(codes) == 37 and len(masks) == 24
    assert sum(len(m) for _, m in enums) == 402


def test_names_values_and_order_follow_the_tables(tables):
    assert _registered() == _expected_registration(tables)
    codes, masks, enums = tables
    for name, value in codes + masks:
        assert getattr(native, name) == value, name
    for enum_name, members in enums:
        d = getattr(native, enum_name)
        assert list(d.items()) == members, enum_name
        for member, value in members:
            # the dict holds the very int object bound to the module attribute
            assert d[member] is getattr(native, member)


def test_edge_values():
    cases = [
        ("KY_OK", 0), ("KY_NOT_INITIALIZED", 1541), ("KY_PENDING", 65535),
        ("KYPIXELCUSTOM", -2147483648), ("KYPIXELCOLORMASK", -16777216),
        ("KyPixelMono8", 0x01080001), ("KyPixelMono32", 0x01200111),
        ("KyPayloadTypeTesmarCompressed", 32999), ("KyGenVisibilityUndefined", 999),
    ]
    for name, value in cases:
        assert getattr(native, name) == value, name
    assert len(native.KyPixelType) == 241
    assert len(native.KyLogLevelEnum) == 6
    assert native.KyDeviceSerial["KyDeviceSerialBulk7"] == 9
    assert not hasattr(native, "KyResultCode")


def test_proxy_module_shows_the_same_objects(tables):
    for name in _expected_registration(tables):
        assert getattr(tavro_python, name) is getattr(native, name)
