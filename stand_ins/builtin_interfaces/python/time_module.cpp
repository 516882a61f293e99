// builtin_interfaces.builtin_interfaces_s__rosidl_typesupport_c: the capsules
// of builtin_interfaces/msg/Time for rclpy and for messages that nest it.
#include "stand_in_python.hpp"

#include "builtin_interfaces/msg/detail/time__functions.h"

extern "C" const rosidl_message_type_support_t *
rosidl_typesupport_c__get_message_type_support_handle__builtin_interfaces__msg__Time();

namespace
{
PyObject * time_class()
{
  static PyObject * cls = stand_in::message_class("builtin_interfaces.msg", "Time");
  return cls;
}

// The integer in slot `slot` of `object`, within [low, high].
bool integer_slot(PyObject * object, const char * slot, long long low, long long high, long long & out)
{
  PyObject * value = PyObject_GetAttrString(object, slot);
  if (!value) {
    return false;
  }
  const bool is_int = PyLong_Check(value);
  out = is_int ? PyLong_AsLongLong(value) : 0;
  Py_DECREF(value);
  if (!is_int || PyErr_Occurred() || out < low || out > high) {
    PyErr_Clear();
    PyErr_Format(PyExc_ValueError, "Time.%s must be an integer in [%lld, %lld]", slot + 1, low, high);
    return false;
  }
  return true;
}

bool from_py(PyObject * object, void * raw)
{
  PyObject * cls = time_class();
  const int is_time = cls ? PyObject_IsInstance(object, cls) : -1;
  if (is_time != 1) {
    if (is_time == 0) {
      PyErr_Format(PyExc_TypeError, "expected builtin_interfaces.msg.Time, not %s", Py_TYPE(object)->tp_name);
    }
    return false;
  }
  auto * time = static_cast<builtin_interfaces__msg__Time *>(raw);
  long long sec = 0, nanosec = 0;
  if (!integer_slot(object, "_sec", INT32_MIN, INT32_MAX, sec) ||
    !integer_slot(object, "_nanosec", 0, UINT32_MAX, nanosec))
  {
    return false;
  }
  time->sec = static_cast<int32_t>(sec);
  time->nanosec = static_cast<uint32_t>(nanosec);
  return true;
}

PyObject * to_py(void * raw)
{
  const auto * time = static_cast<const builtin_interfaces__msg__Time *>(raw);
  PyObject * cls = time_class();
  PyObject * object = cls ? stand_in::bare_instance(cls) : nullptr;
  if (!object) {
    return nullptr;
  }
  PyObject * sec = PyLong_FromLong(time->sec);
  PyObject * nanosec = PyLong_FromUnsignedLong(time->nanosec);
  const bool ok = sec && nanosec && PyObject_SetAttrString(object, "_sec", sec) == 0 &&
    PyObject_SetAttrString(object, "_nanosec", nanosec) == 0;
  Py_XDECREF(sec);
  Py_XDECREF(nanosec);
  if (!ok) {
    Py_DECREF(object);
    return nullptr;
  }
  return object;
}

void * create() {return builtin_interfaces__msg__Time__create();}
void destroy(void * raw) {builtin_interfaces__msg__Time__destroy(static_cast<builtin_interfaces__msg__Time *>(raw));}

PyModuleDef module_definition = {
  PyModuleDef_HEAD_INIT, "builtin_interfaces_s__rosidl_typesupport_c", nullptr, -1,
  nullptr, nullptr, nullptr, nullptr, nullptr};
}  // namespace

PyMODINIT_FUNC PyInit_builtin_interfaces_s__rosidl_typesupport_c(void)
{
  return stand_in::with_message_capsules(
    PyModule_Create(&module_definition), "Time", create, destroy, from_py, to_py,
    rosidl_typesupport_c__get_message_type_support_handle__builtin_interfaces__msg__Time());
}
