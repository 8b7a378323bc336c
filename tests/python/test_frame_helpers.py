"""Typemaps and helpers that every binding family reuses: out-value lists, result tuples, most
derived results, numpy arrays in, out and as views, and the type table shared between modules."""
import sys

import numpy
import pytest
import tavro_python as ky
import tavro_testing as testing


def test_output_array_is_appended_after_the_result():
    r, array = testing.FillArray(5)
    assert r.IsOK()
    assert array.dtype == numpy.uint8 and array.tolist() == [0, 1, 2, 3, 4]
    r, empty = testing.FillArray(0)
    assert empty.shape == (0,)


OUTPUT_SIZE_ERRORS = [
    ("negative", -1, OverflowError, "in method 'FillArray', argument 1 of type 'uint32_t'"),
    ("too-big", 2 ** 32, OverflowError, "in method 'FillArray', argument 1 of type 'uint32_t'"),
    ("float", 1.5, TypeError, "Int dimension expected.  'float' given."),
]


@pytest.mark.parametrize("size,error,text", [c[1:] for c in OUTPUT_SIZE_ERRORS], ids=[c[0] for c in OUTPUT_SIZE_ERRORS])
def test_output_array_size_is_checked_before_allocation(size, error, text):
    with pytest.raises(error) as raised:
        testing.FillArray(size)
    assert str(raised.value) == text


def test_input_arrays_convert_any_array_like():
    assert testing.SumArray([1, 2, 3]) == 6
    assert testing.SumArray(numpy.arange(10, dtype=numpy.uint8)[::2]) == 20
    with pytest.raises(TypeError) as raised:
        testing.SumArray([[1, 2], [3, 4]])
    assert str(raised.value) == "Array must have 1 dimensions.  Given array has 2 dimensions"


def test_view_shares_native_memory():
    buffer = testing.TestBuffer(8)
    view = buffer.View()
    assert view.flags.c_contiguous and view.flags.aligned and view.flags.writeable
    view[3] = 9
    assert buffer.Get(3) == 9


def test_result_tuple():
    result = testing.ResultTuple(ky.KY_BUSY)
    assert type(result) is tuple and len(result) == 3
    assert result[0].GetCode() == ky.KY_BUSY and result[0].thisown
    assert result[1:] == (7, None)


def test_most_derived_result():
    square = testing.MakeShape(True)
    shape = testing.MakeShape(False)
    assert type(square) is testing.TestSquare and square.Name() == "square"
    assert type(shape) is testing.TestShape and shape.Name() == "shape"
    assert testing.NullShape() is None


def test_type_table_is_shared_between_modules():
    # a KyString made by one module is accepted by the other as a wrapped KyString
    r, text = testing.EchoText(0, ky.KyString("shared"))
    assert text == "shared"
    assert "swig_runtime_data4" in sys.modules
    assert hasattr(sys.modules["swig_runtime_data4"], "type_pointer_capsule")


def test_instance_object_methods():
    s = ky.KyString("x")
    this = s.this
    assert this.own() is True
    this.disown()
    assert this.own() is False
    this.acquire()
    assert this.own() is True
    assert this.next() is None
    with pytest.raises(TypeError) as raised:
        this.append(5)
    assert str(raised.value) == "Attempt to append a non SwigPyObject"
