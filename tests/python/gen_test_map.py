"""The GenICam tests' node map: data/gen_features.xml over memory in this process (no network),
with the register values the XML's comment names."""
import os
import re

import tavro_testing

XML = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "gen_features.xml")

# (name, class the lookups hand it out as), in the XML's document order
FEATURES = [
    ("Width", "KyGenInteger"), ("WidthReg", "KyGenInteger"), ("Height", "KyGenInteger"),
    ("HeightReg", "KyGenInteger"), ("PixelFormat", "KyGenEnum"), ("PixelFormatReg", "KyGenInteger"),
    ("PayloadSize", "KyGenInteger"), ("PayloadSizeValue", "KyGenInteger"), ("GainSelector", "KyGenEnum"),
    ("Gain", "KyGenFloat"), ("GainTenths", "KyGenFloat"), ("GainRawBySelector", "KyGenInteger"),
    ("ReverseX", "KyGenBoolean"), ("AcquisitionStart", "KyGenCommand"), ("AcquisitionStartReg", "KyGenInteger"),
    ("DeviceUserID", "KyGenString"), ("DeviceUserIDReg", "KyGenString"), ("LutValues", "KyGenRegister"),
    ("SensorTemperature", "KyGenInteger"), ("WriteOnlyTrigger", "KyGenInteger"), ("CustomCounter", "KyGenInteger"),
    ("ChunkWidth", "KyGenInteger"), ("ChunkHeight", "KyGenInteger"),
]
CATEGORIES = ["Root", "ImageFormatControl", "AnalogControl"]


def load():
    """A loaded TestNodeMap (keep it alive while its array is used)."""
    node_map = tavro_testing.TestNodeMap()
    node_map.Poke32(0x00, 640)
    node_map.Poke32(0x04, 480)
    node_map.Poke32(0x08, 0x01080001)
    node_map.Poke32(0x90, 41)
    r = node_map.Load(XML)
    assert r.IsOK(), str(r.GetDescription())
    return node_map


def swig_type(obj):
    """The native type an object was handed out as ("KyGenInteger *"), proxy or not."""
    return re.search(r"Swig Object of type '([^']+)'", repr(obj)).group(1)


def address(obj):
    """The native address behind a proxy or instance object."""
    return int(obj.this) if hasattr(obj, "this") else int(obj)
