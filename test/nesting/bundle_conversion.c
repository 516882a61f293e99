// The Python side of a nesting package, written as its generated extension
// code is: the Bundle record is filled from a Python object field by field,
// and each nested orvane_h26x_msgs field goes through that package's
// __convert_from_py / __convert_to_py (one element at a time for arrays and
// sequences, in storage the nesting code initialised).
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <stdbool.h>

#include "h26x_bundle_msgs/msg/bundle.h"
#include "orvane_h26x_msgs/msg/detail/image__functions.h"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__functions.h"
#include "rosidl_runtime_c/string_functions.h"

bool orvane_h26x_msgs__msg__compressed__convert_from_py(PyObject * _pymsg, void * _ros_message);
PyObject * orvane_h26x_msgs__msg__compressed__convert_to_py(void * raw_ros_message);
bool orvane_h26x_msgs__msg__multi_compressed__convert_from_py(PyObject * _pymsg, void * _ros_message);
PyObject * orvane_h26x_msgs__msg__multi_compressed__convert_to_py(void * raw_ros_message);
bool orvane_h26x_msgs__msg__image__convert_from_py(PyObject * _pymsg, void * _ros_message);
PyObject * orvane_h26x_msgs__msg__image__convert_to_py(void * raw_ros_message);

typedef bool (*FromPy)(PyObject *, void *);
typedef PyObject * (*ToPy)(void *);

// Elements of a Python sequence into `count` initialised records.
static bool elements_from_py(PyObject * field, void * data, size_t element_size, size_t count, FromPy from_py)
{
  PyObject * items = PySequence_Fast(field, "expected a sequence");
  if (!items) {
    return false;
  }
  bool ok = (size_t)PySequence_Fast_GET_SIZE(items) == count;
  if (!ok) {
    PyErr_SetString(PyExc_ValueError, "sequence length changed");
  }
  for (size_t i = 0; ok && i < count; ++i) {
    ok = from_py(PySequence_Fast_GET_ITEM(items, i), (char *)data + i * element_size);
  }
  Py_DECREF(items);
  return ok;
}

static Py_ssize_t length_of(PyObject * object, const char * name, PyObject ** field)
{
  *field = PyObject_GetAttrString(object, name);
  return *field ? PySequence_Length(*field) : -1;
}

static bool bundle_from_py(PyObject * object, h26x_bundle_msgs__msg__Bundle * ros_message)
{
  PyObject * field = PyObject_GetAttrString(object, "video");
  bool ok = field && orvane_h26x_msgs__msg__compressed__convert_from_py(field, &ros_message->video);
  Py_XDECREF(field);

  Py_ssize_t size = ok ? length_of(object, "multi", &field) : -1;
  ok = size >= 0;
  if (ok) {
    orvane_h26x_msgs__msg__MultiCompressed__Sequence__fini(&ros_message->multi);
    ok = orvane_h26x_msgs__msg__MultiCompressed__Sequence__init(&ros_message->multi, (size_t)size) &&
      elements_from_py(
      field, ros_message->multi.data, sizeof(*ros_message->multi.data), (size_t)size,
      orvane_h26x_msgs__msg__multi_compressed__convert_from_py);
  }
  Py_XDECREF(field);
  field = NULL;

  size = ok ? length_of(object, "stereo", &field) : -1;
  ok = size == 2 && elements_from_py(
    field, ros_message->stereo, sizeof(ros_message->stereo[0]), 2, orvane_h26x_msgs__msg__image__convert_from_py);
  Py_XDECREF(field);
  field = NULL;

  size = ok ? length_of(object, "thumbnails", &field) : -1;
  ok = size >= 0 && size <= 3;
  if (ok) {
    orvane_h26x_msgs__msg__Image__Sequence__fini(&ros_message->thumbnails);
    ok = orvane_h26x_msgs__msg__Image__Sequence__init(&ros_message->thumbnails, (size_t)size) &&
      elements_from_py(
      field, ros_message->thumbnails.data, sizeof(*ros_message->thumbnails.data), (size_t)size,
      orvane_h26x_msgs__msg__image__convert_from_py);
  }
  Py_XDECREF(field);

  field = ok ? PyObject_GetAttrString(object, "label") : NULL;
  const char * label = field ? PyUnicode_AsUTF8(field) : NULL;
  ok = label && rosidl_runtime_c__String__assign(&ros_message->label, label);
  Py_XDECREF(field);
  if (!ok && !PyErr_Occurred()) {
    PyErr_SetString(PyExc_ValueError, "not a Bundle");
  }
  return ok;
}

static PyObject * list_to_py(void * data, size_t element_size, size_t count, ToPy to_py)
{
  PyObject * list = PyList_New((Py_ssize_t)count);
  for (size_t i = 0; list && i < count; ++i) {
    PyObject * item = to_py((char *)data + i * element_size);
    if (!item) {
      Py_DECREF(list);
      return NULL;
    }
    PyList_SET_ITEM(list, (Py_ssize_t)i, item);
  }
  return list;
}

static bool set_field(PyObject * object, const char * name, PyObject * value)
{
  const bool ok = value && PyObject_SetAttrString(object, name, value) == 0;
  Py_XDECREF(value);
  return ok;
}

static PyObject * bundle_to_py(h26x_bundle_msgs__msg__Bundle * ros_message, PyObject * cls)
{
  PyObject * object = PyObject_CallObject(cls, NULL);
  const bool ok = object &&
    set_field(object, "video", orvane_h26x_msgs__msg__compressed__convert_to_py(&ros_message->video)) &&
    set_field(
    object, "multi", list_to_py(
      ros_message->multi.data, sizeof(*ros_message->multi.data), ros_message->multi.size,
      orvane_h26x_msgs__msg__multi_compressed__convert_to_py)) &&
    set_field(
    object, "stereo", list_to_py(
      ros_message->stereo, sizeof(ros_message->stereo[0]), 2, orvane_h26x_msgs__msg__image__convert_to_py)) &&
    set_field(
    object, "thumbnails", list_to_py(
      ros_message->thumbnails.data, sizeof(*ros_message->thumbnails.data), ros_message->thumbnails.size,
      orvane_h26x_msgs__msg__image__convert_to_py)) &&
    set_field(
    object, "label", PyUnicode_FromStringAndSize(ros_message->label.data, (Py_ssize_t)ros_message->label.size));
  if (!ok) {
    Py_XDECREF(object);
    return NULL;
  }
  return object;
}

// round_trip(bundle): the object into a fresh record, the record copied with
// the generated Bundle__copy (checked with __are_equal), and the copy back
// into a new object of the same class.
static PyObject * round_trip(PyObject * self, PyObject * bundle)
{
  (void)self;
  h26x_bundle_msgs__msg__Bundle * record = h26x_bundle_msgs__msg__Bundle__create();
  h26x_bundle_msgs__msg__Bundle * copy = h26x_bundle_msgs__msg__Bundle__create();
  PyObject * result = NULL;
  if (!record || !copy) {
    PyErr_NoMemory();
  } else if (bundle_from_py(bundle, record)) {
    if (!h26x_bundle_msgs__msg__Bundle__copy(record, copy) || !h26x_bundle_msgs__msg__Bundle__are_equal(record, copy)) {
      PyErr_SetString(PyExc_AssertionError, "Bundle__copy did not give an equal record");
    } else {
      result = bundle_to_py(copy, (PyObject *)Py_TYPE(bundle));
    }
  }
  h26x_bundle_msgs__msg__Bundle__destroy(copy);
  h26x_bundle_msgs__msg__Bundle__destroy(record);
  return result;
}

static PyMethodDef methods[] = {
  {"round_trip", round_trip, METH_O, "round_trip(bundle) -> a new bundle through the C record"},
  {NULL, NULL, 0, NULL}};

static struct PyModuleDef module = {PyModuleDef_HEAD_INIT, "bundle_conversion", NULL, -1, methods, NULL, NULL, NULL, NULL};

PyMODINIT_FUNC PyInit_bundle_conversion(void)
{
  return PyModule_Create(&module);
}
