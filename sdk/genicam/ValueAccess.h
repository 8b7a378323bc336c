// The checks every public value call makes once before the node's own operation:
// readable / writable now, within minimum, maximum and increment, short enough.
// Failures start with the node name and give the values.
#pragma once

#include <cstdint>
#include <string>

#include "Node.h"

namespace ky::gc {

KyResult CheckedGetInt(Node &node, int64_t &v);
KyResult CheckedSetInt(Node &node, int64_t v);
KyResult CheckedGetFloat(Node &node, double &v);
KyResult CheckedSetFloat(Node &node, double v);
KyResult CheckedGetBool(Node &node, bool &v);
KyResult CheckedSetBool(Node &node, bool v);
KyResult CheckedGetString(Node &node, std::string &v);
KyResult CheckedSetString(Node &node, const std::string &v);
KyResult CheckedExecute(Node &node);
// The caller's buffer of a register transfer, checked before anything is read: a negative
// length, or a null buffer with bytes to move, is KY_INVALID_PARAMETER.
KyResult CheckByteBuffer(const Node &node, const void *data, int64_t length);
KyResult CheckedGetBytes(Node &node, uint8_t *data, int64_t length);
KyResult CheckedSetBytes(Node &node, const uint8_t *data, int64_t length);

// The value as text and back: integers in decimal (hex accepted), floats in their
// shortest exact form, booleans "True"/"False", enumerations by entry name, registers
// as hexadecimal bytes.
KyResult ValueToText(Node &node, std::string &text);
KyResult ValueFromText(Node &node, const std::string &text);

}  // namespace ky::gc
