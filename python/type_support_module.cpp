// The extension module orvane_h26x_msgs.orvane_h26x_msgs_s__rosidl_typesupport_c:
// for every message, capsules that create and destroy a plain record, convert
// a Python message object into an initialised record and a record into a new
// object (liborvane_h26x_msgs__rosidl_generator_py's functions), and the
// rosidl_typesupport_c dispatch handle. rclpy calls them through the message
// classes' metaclasses.

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <string>

#include "plain_messages.hpp"
#include "message_conversion.hpp"

namespace
{
namespace detail = orvane_h26x_msgs::msg::detail;
using orvane_h26x_msgs::python::Ref;

template<class Record>
void * create()
{
  return detail::PlainFunctions<Record>::create();
}

template<class Record>
void destroy(void * raw)
{
  detail::PlainFunctions<Record>::destroy(static_cast<Record *>(raw));
}

bool add_capsule(PyObject * module, const std::string & name, void * pointer)
{
  PyObject * capsule = PyCapsule_New(pointer, nullptr, nullptr);
  if (!capsule || PyModule_AddObject(module, name.c_str(), capsule) != 0) {
    Py_XDECREF(capsule);
    return false;
  }
  return true;
}

using ConvertFromPy = bool (*)(PyObject *, void *);
using ConvertToPy = PyObject * (*)(void *);

template<class Record>
bool add_message(
  PyObject * module, ConvertFromPy from_py, ConvertToPy to_py, const rosidl_message_type_support_t * type_support)
{
  const std::string name = detail::FieldList<Record>::name;
  return add_capsule(module, "create_ros_message__" + name, reinterpret_cast<void *>(&create<Record>)) &&
         add_capsule(module, "destroy_ros_message__" + name, reinterpret_cast<void *>(&destroy<Record>)) &&
         add_capsule(module, "convert_from_py__" + name, reinterpret_cast<void *>(from_py)) &&
         add_capsule(module, "convert_to_py__" + name, reinterpret_cast<void *>(to_py)) &&
         add_capsule(module, "type_support__" + name, const_cast<rosidl_message_type_support_t *>(type_support));
}

PyModuleDef module_definition = {
  PyModuleDef_HEAD_INIT, "orvane_h26x_msgs_s__rosidl_typesupport_c",
  "Conversions between the Python message classes and the plain records, and the type supports.",
  -1, nullptr, nullptr, nullptr, nullptr, nullptr};
}  // namespace

PyMODINIT_FUNC PyInit_orvane_h26x_msgs_s__rosidl_typesupport_c(void)
{
  Ref module(PyModule_Create(&module_definition));
  if (!module) {
    return nullptr;
  }
#define ORVANE_PY_ADD(Msg, name) \
  && add_message<orvane_h26x_msgs__msg__ ## Msg>( \
    module.get(), orvane_h26x_msgs__msg__ ## name ## __convert_from_py, orvane_h26x_msgs__msg__ ## name ## __convert_to_py, \
    rosidl_typesupport_c__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg())
  const bool ok = true ORVANE_H26X_MSGS__FOR_EACH_MESSAGE_NAMED(ORVANE_PY_ADD);
  return ok ? module.release() : nullptr;
}
