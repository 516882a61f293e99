#ifndef ORVANE_H26X_MSGS__PYTHON__MESSAGE_CONVERSION_HPP_
#define ORVANE_H26X_MSGS__PYTHON__MESSAGE_CONVERSION_HPP_

// The conversions of liborvane_h26x_msgs__rosidl_generator_py, under the names
// a nesting package's generated Python code declares and calls:
// orvane_h26x_msgs__msg__<name>__convert_from_py fills an initialised record
// from a message object (false with a Python exception set on failure), and
// __convert_to_py returns a new message object holding the record's contents.

#include <Python.h>

#include "orvane_h26x_msgs/msg/detail/field_list.hpp"

extern "C" {

#define ORVANE_H26X_MSGS__DECLARE_PY_CONVERSIONS(Msg, name) \
  __attribute__((visibility("default"))) \
  bool orvane_h26x_msgs__msg__ ## name ## __convert_from_py(PyObject * object, void * raw); \
  __attribute__((visibility("default"))) \
  PyObject * orvane_h26x_msgs__msg__ ## name ## __convert_to_py(void * raw);
ORVANE_H26X_MSGS__FOR_EACH_MESSAGE_NAMED(ORVANE_H26X_MSGS__DECLARE_PY_CONVERSIONS)

}  // extern "C"

namespace orvane_h26x_msgs::python
{
// A new reference, released at the end of its scope.
class Ref
{
public:
  explicit Ref(PyObject * object = nullptr) : object_(object) {}
  ~Ref() {Py_XDECREF(object_);}
  Ref(const Ref &) = delete;
  Ref & operator=(const Ref &) = delete;
  PyObject * get() const {return object_;}
  PyObject * release()
  {
    PyObject * object = object_;
    object_ = nullptr;
    return object;
  }
  explicit operator bool() const {return object_ != nullptr;}

private:
  PyObject * object_;
};

}  // namespace orvane_h26x_msgs::python

#endif  // ORVANE_H26X_MSGS__PYTHON__MESSAGE_CONVERSION_HPP_
