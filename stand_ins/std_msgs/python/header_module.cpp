// std_msgs.std_msgs_s__rosidl_typesupport_c: the capsules of std_msgs/msg/Header
// for rclpy and for messages that nest it. The stamp converts through
// builtin_interfaces' Time class.
#include "stand_in_python.hpp"

#include "rosidl_runtime_c/string_functions.h"
#include "std_msgs/msg/detail/header__functions.h"

extern "C" const rosidl_message_type_support_t *
rosidl_typesupport_c__get_message_type_support_handle__std_msgs__msg__Header();

namespace
{
PyObject * header_class()
{
  static PyObject * cls = stand_in::message_class("std_msgs.msg", "Header");
  return cls;
}

PyObject * time_class()
{
  static PyObject * cls = stand_in::message_class("builtin_interfaces.msg", "Time");
  return cls;
}

bool from_py(PyObject * object, void * raw)
{
  PyObject * cls = header_class();
  const int is_header = cls ? PyObject_IsInstance(object, cls) : -1;
  if (is_header != 1) {
    if (is_header == 0) {
      PyErr_Format(PyExc_TypeError, "expected std_msgs.msg.Header, not %s", Py_TYPE(object)->tp_name);
    }
    return false;
  }
  auto * header = static_cast<std_msgs__msg__Header *>(raw);
  auto time_from_py = time_class() ?
    reinterpret_cast<stand_in::ConvertFromPy>(stand_in::converter(time_class(), "_CONVERT_FROM_PY")) : nullptr;
  PyObject * stamp = time_from_py ? PyObject_GetAttrString(object, "_stamp") : nullptr;
  const bool stamp_ok = stamp && time_from_py(stamp, &header->stamp);
  Py_XDECREF(stamp);
  if (!stamp_ok) {
    return false;
  }
  PyObject * frame_id = PyObject_GetAttrString(object, "_frame_id");
  if (!frame_id) {
    return false;
  }
  Py_ssize_t size = 0;
  const char * text = PyUnicode_Check(frame_id) ? PyUnicode_AsUTF8AndSize(frame_id, &size) : nullptr;
  if (!text && !PyErr_Occurred()) {
    PyErr_SetString(PyExc_TypeError, "Header.frame_id must be a str");
  }
  bool ok = text != nullptr;
  if (ok && !rosidl_runtime_c__String__assignn(&header->frame_id, text, static_cast<size_t>(size))) {
    PyErr_NoMemory();
    ok = false;
  }
  Py_DECREF(frame_id);
  return ok;
}

PyObject * to_py(void * raw)
{
  auto * header = static_cast<std_msgs__msg__Header *>(raw);
  auto time_to_py = time_class() ?
    reinterpret_cast<stand_in::ConvertToPy>(stand_in::converter(time_class(), "_CONVERT_TO_PY")) : nullptr;
  PyObject * object = time_to_py && header_class() ? stand_in::bare_instance(header_class()) : nullptr;
  if (!object) {
    return nullptr;
  }
  PyObject * stamp = time_to_py(&header->stamp);
  PyObject * frame_id = PyUnicode_DecodeUTF8(
    header->frame_id.data ? header->frame_id.data : "", static_cast<Py_ssize_t>(header->frame_id.size), "replace");
  const bool ok = stamp && frame_id && PyObject_SetAttrString(object, "_stamp", stamp) == 0 &&
    PyObject_SetAttrString(object, "_frame_id", frame_id) == 0;
  Py_XDECREF(stamp);
  Py_XDECREF(frame_id);
  if (!ok) {
    Py_DECREF(object);
    return nullptr;
  }
  return object;
}

void * create() {return std_msgs__msg__Header__create();}
void destroy(void * raw) {std_msgs__msg__Header__destroy(static_cast<std_msgs__msg__Header *>(raw));}

PyModuleDef module_definition = {
  PyModuleDef_HEAD_INIT, "std_msgs_s__rosidl_typesupport_c", nullptr, -1, nullptr, nullptr, nullptr, nullptr, nullptr};
}  // namespace

PyMODINIT_FUNC PyInit_std_msgs_s__rosidl_typesupport_c(void)
{
  return stand_in::with_message_capsules(
    PyModule_Create(&module_definition), "Header", create, destroy, from_py, to_py,
    rosidl_typesupport_c__get_message_type_support_handle__std_msgs__msg__Header());
}
