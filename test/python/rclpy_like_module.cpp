// rclpy_like: what rclpy and the middleware do with a message class, through
// its metaclass's capsules only (create, convert from Python, the type
// support found through the dispatch handle, convert to Python, destroy),
// plus reference bytes from the C++ writer and heap counters for the tests.

#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <dlfcn.h>
#include <malloc.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "classes.hpp"
#include "fastcdr/Cdr.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace
{
struct Capsules
{
  void * (*create)();
  bool (*from_py)(PyObject *, void *);
  PyObject * (*to_py)(void *);
  void (*destroy)(void *);
  const message_type_support_callbacks_t * callbacks;
};

void * capsule(PyObject * metaclass, const char * name)
{
  PyObject * object = PyObject_GetAttrString(metaclass, name);
  void * pointer = object ? PyCapsule_GetPointer(object, nullptr) : nullptr;
  Py_XDECREF(object);
  return pointer;
}

// As rclpy: the metaclass's capsules, importing the type support first.
bool capsules_of(PyObject * cls, Capsules & out)
{
  PyObject * metaclass = reinterpret_cast<PyObject *>(Py_TYPE(cls));
  PyObject * type_support = PyObject_GetAttrString(metaclass, "_TYPE_SUPPORT");
  if (!type_support) {
    return false;
  }
  const bool missing = type_support == Py_None;
  Py_DECREF(type_support);
  if (missing) {
    PyObject * done = PyObject_CallMethod(metaclass, "__import_type_support__", nullptr);
    if (!done) {
      return false;
    }
    Py_DECREF(done);
  }
  out.create = reinterpret_cast<void * (*)()>(capsule(metaclass, "_CREATE_ROS_MESSAGE"));
  out.from_py = reinterpret_cast<bool (*)(PyObject *, void *)>(capsule(metaclass, "_CONVERT_FROM_PY"));
  out.to_py = reinterpret_cast<PyObject * (*)(void *)>(capsule(metaclass, "_CONVERT_TO_PY"));
  out.destroy = reinterpret_cast<void (*)(void *)>(capsule(metaclass, "_DESTROY_ROS_MESSAGE"));
  const auto * dispatch = static_cast<const rosidl_message_type_support_t *>(capsule(metaclass, "_TYPE_SUPPORT"));
  if (!out.create || !out.from_py || !out.to_py || !out.destroy || !dispatch) {
    return false;
  }
  // As the middleware: the Fast-CDR type support behind the dispatch handle.
  const rosidl_message_type_support_t * found =
    get_message_typesupport_handle(dispatch, rosidl_typesupport_fastrtps_c__identifier);
  if (!found) {
    PyErr_SetString(PyExc_RuntimeError, "no rosidl_typesupport_fastrtps_c behind _TYPE_SUPPORT");
    return false;
  }
  out.callbacks = static_cast<const message_type_support_callbacks_t *>(found->data);
  return true;
}

PyObject * serialize_message(PyObject * message)
{
  Capsules capsules;
  if (!capsules_of(reinterpret_cast<PyObject *>(Py_TYPE(message)), capsules)) {
    return nullptr;
  }
  void * record = capsules.create();
  if (!record) {
    return PyErr_NoMemory();
  }
  if (!capsules.from_py(message, record)) {
    capsules.destroy(record);
    if (!PyErr_Occurred()) {
      PyErr_SetString(PyExc_RuntimeError, "_CONVERT_FROM_PY failed without an exception");
    }
    return nullptr;
  }
  std::vector<char> buffer(capsules.callbacks->get_serialized_size(record));
  eprosima::fastcdr::FastBuffer fast_buffer(buffer.data(), buffer.size());
  eprosima::fastcdr::Cdr cdr(fast_buffer, eprosima::fastcdr::Cdr::LITTLE_ENDIANNESS);
  const bool written = capsules.callbacks->cdr_serialize(record, cdr);
  capsules.destroy(record);
  if (!written) {
    PyErr_SetString(PyExc_RuntimeError, "cdr_serialize failed");
    return nullptr;
  }
  return PyBytes_FromStringAndSize(buffer.data(), static_cast<Py_ssize_t>(cdr.getSerializedDataLength()));
}

// The harness's own buffers may fail to allocate too: MemoryError, as in rclpy.
PyObject * serialize(PyObject *, PyObject * message)
{
  try {
    return serialize_message(message);
  } catch (const std::bad_alloc &) {
    return PyErr_NoMemory();
  }
}

PyObject * deserialize(PyObject *, PyObject * args)
{
  PyObject * cls;
  Py_buffer bytes;
  if (!PyArg_ParseTuple(args, "Oy*", &cls, &bytes)) {
    return nullptr;
  }
  std::vector<char> buffer(static_cast<const char *>(bytes.buf), static_cast<const char *>(bytes.buf) + bytes.len);
  PyBuffer_Release(&bytes);
  Capsules capsules;
  if (!capsules_of(cls, capsules)) {
    return nullptr;
  }
  void * record = capsules.create();
  if (!record) {
    return PyErr_NoMemory();
  }
  eprosima::fastcdr::FastBuffer fast_buffer(buffer.data(), buffer.size());
  eprosima::fastcdr::Cdr cdr(fast_buffer, eprosima::fastcdr::Cdr::LITTLE_ENDIANNESS);
  PyObject * message = nullptr;
  try {
    if (capsules.callbacks->cdr_deserialize(cdr, record)) {
      message = capsules.to_py(record);
    } else {
      PyErr_SetString(PyExc_ValueError, "cdr_deserialize refused the bytes");
    }
  } catch (const std::bad_alloc &) {
    PyErr_NoMemory();
  } catch (const std::exception & error) {
    PyErr_SetString(PyExc_ValueError, error.what());
  }
  capsules.destroy(record);
  return message;
}

// Bytes of a random message of `type` written by the C++ class writer.
PyObject * cpp_bytes(PyObject *, PyObject * args)
{
  const char * type;
  unsigned long seed;
  if (!PyArg_ParseTuple(args, "sk", &type, &seed)) {
    return nullptr;
  }
  std::mt19937 rng(static_cast<std::mt19937::result_type>(seed));
  test_support::Bytes bytes;
#define RCLPY_LIKE_RANDOM(Msg) \
  if (std::string(type) == #Msg) { \
    bytes = test_support::write_class(test_support::random_class<orvane_h26x_msgs__msg__ ## Msg>(rng)); \
  }
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(RCLPY_LIKE_RANDOM)
  if (bytes.empty()) {
    PyErr_Format(PyExc_ValueError, "unknown message %s", type);
    return nullptr;
  }
  return PyBytes_FromStringAndSize(reinterpret_cast<const char *>(bytes.data()), static_cast<Py_ssize_t>(bytes.size()));
}

// Bytes in use on the C heap (glibc's count), to see what conversions leave behind.
PyObject * c_heap_bytes(PyObject *, PyObject *)
{
  return PyLong_FromSize_t(mallinfo2().uordblks);
}

// Makes the k-th allocation from now fail, when the failing_malloc shim is
// preloaded; False otherwise.
PyObject * fail_allocation(PyObject *, PyObject * args)
{
  long k;
  if (!PyArg_ParseTuple(args, "l", &k)) {
    return nullptr;
  }
  auto arm = reinterpret_cast<void (*)(long)>(dlsym(RTLD_DEFAULT, "failing_malloc_arm"));
  if (!arm) {
    Py_RETURN_FALSE;
  }
  arm(k);
  Py_RETURN_TRUE;
}

// Seconds for `repeat` conversions from Python into one record, `repeat`
// conversions back, `repeat` memcpys of `payload` bytes, and `repeat`
// conversions into fresh records.
PyObject * conversion_seconds(PyObject *, PyObject * args)
{
  PyObject * message;
  long repeat;
  Py_ssize_t payload;
  if (!PyArg_ParseTuple(args, "Oln", &message, &repeat, &payload)) {
    return nullptr;
  }
  Capsules capsules;
  if (!capsules_of(reinterpret_cast<PyObject *>(Py_TYPE(message)), capsules)) {
    return nullptr;
  }
  using Clock = std::chrono::steady_clock;
  void * record = capsules.create();
  auto start = Clock::now();
  for (long i = 0; i < repeat; ++i) {
    if (!capsules.from_py(message, record)) {
      capsules.destroy(record);
      return nullptr;
    }
  }
  const double from_py = std::chrono::duration<double>(Clock::now() - start).count();
  start = Clock::now();
  for (long i = 0; i < repeat; ++i) {
    PyObject * back = capsules.to_py(record);
    if (!back) {
      capsules.destroy(record);
      return nullptr;
    }
    Py_DECREF(back);
  }
  const double to_py = std::chrono::duration<double>(Clock::now() - start).count();
  capsules.destroy(record);
  // As rclpy publishes: a fresh record each time, whose storage is allocated anew.
  start = Clock::now();
  for (long i = 0; i < repeat; ++i) {
    void * fresh = capsules.create();
    const bool converted = fresh && capsules.from_py(message, fresh);
    if (fresh) {
      capsules.destroy(fresh);
    }
    if (!converted) {
      return PyErr_Occurred() ? nullptr : PyErr_NoMemory();
    }
  }
  const double fresh_from_py = std::chrono::duration<double>(Clock::now() - start).count();
  std::vector<char> source(static_cast<std::size_t>(payload), 1), target(static_cast<std::size_t>(payload));
  start = Clock::now();
  for (long i = 0; i < repeat; ++i) {
    std::memcpy(target.data(), source.data(), source.size());
    asm volatile("" : : "r"(target.data()) : "memory");
  }
  const double copy = std::chrono::duration<double>(Clock::now() - start).count();
  return Py_BuildValue("(dddd)", from_py, to_py, copy, fresh_from_py);
}

PyMethodDef methods[] = {
  {"serialize", serialize, METH_O, "CDR bytes of a message, through its capsules and type support"},
  {"deserialize", deserialize, METH_VARARGS, "deserialize(cls, bytes): a message read through the capsules"},
  {"cpp_bytes", cpp_bytes, METH_VARARGS, "cpp_bytes(type, seed): a random message from the C++ writer"},
  {"c_heap_bytes", c_heap_bytes, METH_NOARGS, "bytes in use on the C heap"},
  {"fail_allocation", fail_allocation, METH_VARARGS, "fail_allocation(k): the k-th allocation from now fails"},
  {"conversion_seconds", conversion_seconds, METH_VARARGS, "conversion_seconds(message, repeat, payload)"},
  {nullptr, nullptr, 0, nullptr}};

PyModuleDef module_definition = {PyModuleDef_HEAD_INIT, "rclpy_like", nullptr, -1, methods,
  nullptr, nullptr, nullptr, nullptr};
}  // namespace

PyMODINIT_FUNC PyInit_rclpy_like(void)
{
  return PyModule_Create(&module_definition);
}
