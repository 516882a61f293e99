#ifndef STAND_IN_PYTHON_HPP_
#define STAND_IN_PYTHON_HPP_

// What the stand-ins' Python extension modules share: the capsules rclpy
// reads from a message class's metaclass, and the lookup of a nested class's
// conversion functions through its own capsules.

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "rosidl_runtime_c/message_type_support_struct.h"

#include <string>

namespace stand_in
{

using ConvertFromPy = bool (*)(PyObject *, void *);
using ConvertToPy = PyObject * (*)(void *);

inline bool add_capsule(PyObject * module, const std::string & name, void * pointer)
{
  PyObject * capsule = PyCapsule_New(pointer, nullptr, nullptr);
  if (!capsule || PyModule_AddObject(module, name.c_str(), capsule) != 0) {
    Py_XDECREF(capsule);
    return false;
  }
  return true;
}

// The five capsules of message `name` that its metaclass reads; false (with
// the module released) on failure, as a module's init function returns it.
inline PyObject * with_message_capsules(
  PyObject * module, const std::string & name, void * (*create)(), void (*destroy)(void *),
  ConvertFromPy from_py, ConvertToPy to_py, const rosidl_message_type_support_t * type_support)
{
  if (module &&
    add_capsule(module, "create_ros_message__" + name, reinterpret_cast<void *>(create)) &&
    add_capsule(module, "destroy_ros_message__" + name, reinterpret_cast<void *>(destroy)) &&
    add_capsule(module, "convert_from_py__" + name, reinterpret_cast<void *>(from_py)) &&
    add_capsule(module, "convert_to_py__" + name, reinterpret_cast<void *>(to_py)) &&
    add_capsule(module, "type_support__" + name, const_cast<rosidl_message_type_support_t *>(type_support)))
  {
    return module;
  }
  Py_XDECREF(module);
  return nullptr;
}

// The class `name` of `module`, kept for the life of the process.
inline PyObject * message_class(const char * module, const char * name)
{
  PyObject * imported = PyImport_ImportModule(module);
  PyObject * cls = imported ? PyObject_GetAttrString(imported, name) : nullptr;
  Py_XDECREF(imported);
  return cls;
}

// A converter of `cls`, through its metaclass's capsule (imported first when
// the class has not loaded its type support yet).
inline void * converter(PyObject * cls, const char * capsule_name)
{
  PyObject * metaclass = reinterpret_cast<PyObject *>(Py_TYPE(cls));
  PyObject * capsule = PyObject_GetAttrString(metaclass, capsule_name);
  if (capsule == Py_None) {
    Py_DECREF(capsule);
    PyObject * done = PyObject_CallMethod(metaclass, "__import_type_support__", nullptr);
    if (!done) {
      return nullptr;
    }
    Py_DECREF(done);
    capsule = PyObject_GetAttrString(metaclass, capsule_name);
  }
  void * pointer = capsule ? PyCapsule_GetPointer(capsule, nullptr) : nullptr;
  Py_XDECREF(capsule);
  return pointer;
}

// An instance of `cls` made without __init__, for the converters to fill.
inline PyObject * bare_instance(PyObject * cls)
{
  PyObject * no_arguments = PyTuple_New(0);
  PyObject * object =
    no_arguments ? PyBaseObject_Type.tp_new(reinterpret_cast<PyTypeObject *>(cls), no_arguments, nullptr) : nullptr;
  Py_XDECREF(no_arguments);
  return object;
}

}  // namespace stand_in

#endif  // STAND_IN_PYTHON_HPP_
