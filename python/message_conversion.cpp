// liborvane_h26x_msgs__rosidl_generator_py: the conversions between the
// Python message objects and the plain records, for the extension module's
// capsules and for the Python extensions of packages whose messages nest these
// (their generated code calls orvane_h26x_msgs__msg__<name>__convert_from_py
// and __convert_to_py). The conversions walk the field lists; byte sequences
// cross in one copy through the buffer protocol. Python's own symbols come
// from the interpreter that loads the extension.

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstring>
#include <string>
#include <limits>

#include "plain_messages.hpp"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"
#include "std_msgs/msg/detail/header__functions.h"
#include "message_conversion.hpp"

namespace
{
namespace detail = orvane_h26x_msgs::msg::detail;
using orvane_h26x_msgs::python::Ref;
using detail::FieldKind;

using ConvertFromPy = bool (*)(PyObject *, void *);
using ConvertToPy = PyObject * (*)(void *);

// A message class and its conversion capsules, found on first use (with the
// GIL held) and kept for the life of the process.
struct PythonType
{
  const char * module;
  const char * name;
  PyObject * cls = nullptr;
  ConvertFromPy from_py = nullptr;
  ConvertToPy to_py = nullptr;
};

void * capsule_pointer(PyObject * owner, const char * attribute)
{
  Ref capsule(PyObject_GetAttrString(owner, attribute));
  if (!capsule) {
    return nullptr;
  }
  return PyCapsule_GetPointer(capsule.get(), nullptr);
}

bool resolve(PythonType & type, bool with_converters)
{
  if (!type.cls) {
    Ref module(PyImport_ImportModule(type.module));
    PyObject * cls = module ? PyObject_GetAttrString(module.get(), type.name) : nullptr;
    if (!cls) {
      return false;
    }
    type.cls = cls;
  }
  if (with_converters && !type.from_py) {
    PyObject * metaclass = reinterpret_cast<PyObject *>(Py_TYPE(type.cls));
    Ref loaded(PyObject_GetAttrString(metaclass, "_CONVERT_FROM_PY"));
    if (!loaded) {
      return false;
    }
    if (loaded.get() == Py_None) {
      Ref imported(PyObject_CallMethod(metaclass, "__import_type_support__", nullptr));
      if (!imported) {
        return false;
      }
    }
    auto from_py = reinterpret_cast<ConvertFromPy>(capsule_pointer(metaclass, "_CONVERT_FROM_PY"));
    auto to_py = reinterpret_cast<ConvertToPy>(capsule_pointer(metaclass, "_CONVERT_TO_PY"));
    if (!from_py || !to_py) {
      return false;
    }
    type.from_py = from_py;
    type.to_py = to_py;
  }
  return true;
}

PythonType header_type{"std_msgs.msg", "Header"};

template<class Record>
PythonType & python_type();
#define ORVANE_PY_TYPE(Msg) \
  template<> \
  PythonType & python_type<orvane_h26x_msgs__msg__ ## Msg>() \
  { \
    static PythonType type{"orvane_h26x_msgs.msg", #Msg}; \
    return type; \
  }
ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_PY_TYPE)

// Refuses anything but an instance of the expected class: its converter
// writes a record of that class's layout.
bool check_instance(PyObject * value, PythonType & type, const char * field)
{
  if (!resolve(type, false)) {
    return false;
  }
  const int is_instance = PyObject_IsInstance(value, type.cls);
  if (is_instance == 1) {
    return true;
  }
  if (is_instance == 0) {
    PyErr_Format(PyExc_TypeError, "%s holds %s.%s, not %s", field, type.module, type.name, Py_TYPE(value)->tp_name);
  }
  return false;
}

// The instances' slots ("_header", ...), interned once per message: the
// conversions read and write them directly, past the checking properties.
template<class Record>
PyObject * const * slot_names()
{
  static PyObject * names[detail::FieldList<Record>::size] = {};
  if (!names[0]) {
    Record probe{};
    detail::FieldList<Record>::visit(
      probe, [](auto &, auto field) {
        names[field.index] = PyUnicode_InternFromString((std::string("_") + field.name).c_str());
        return names[field.index] != nullptr;
      });
  }
  return names[detail::FieldList<Record>::size - 1] ? names : nullptr;
}

// ---- Python to plain record ----

template<class Record>
bool from_py(PyObject * object, void * raw);

template<FieldKind Kind>
bool integer_from_py(PyObject * value, unsigned long long & out, const char * field)
{
  constexpr unsigned long long kMax = Kind == FieldKind::UINT8 ? 0xFFull :
    Kind == FieldKind::UINT32 ? 0xFFFFFFFFull : std::numeric_limits<unsigned long long>::max();
  if (!PyLong_Check(value)) {
    PyErr_Format(PyExc_TypeError, "%s is an unsigned integer, not %s", field, Py_TYPE(value)->tp_name);
    return false;
  }
  out = PyLong_AsUnsignedLongLong(value);
  if ((out == static_cast<unsigned long long>(-1) && PyErr_Occurred()) || out > kMax) {
    PyErr_Clear();
    PyErr_Format(PyExc_ValueError, "%s is out of range [0, %llu]", field, kMax);
    return false;
  }
  return true;
}

bool string_from_py(PyObject * value, rosidl_runtime_c__String & out, const char * field)
{
  if (!PyUnicode_Check(value)) {
    PyErr_Format(PyExc_TypeError, "%s holds str, not %s", field, Py_TYPE(value)->tp_name);
    return false;
  }
  Py_ssize_t size = 0;
  const char * text = PyUnicode_AsUTF8AndSize(value, &size);
  if (!text) {
    return false;
  }
  if (!rosidl_runtime_c__String__assignn(&out, text, static_cast<std::size_t>(size))) {
    PyErr_NoMemory();
    return false;
  }
  return true;
}

// One copy: straight from the object's buffer (array('B'), bytes, ...) into
// the sequence's storage, which is reused when it is large enough.
bool bytes_from_py(PyObject * value, rosidl_runtime_c__uint8__Sequence & out, const char * field)
{
  Py_buffer view;
  if (PyObject_GetBuffer(value, &view, PyBUF_CONTIG_RO | PyBUF_FORMAT) != 0) {
    PyErr_Clear();
    PyErr_Format(PyExc_TypeError, "%s needs bytes or array('B'), not %s", field, Py_TYPE(value)->tp_name);
    return false;
  }
  const std::size_t size = static_cast<std::size_t>(view.len);
  bool ok = view.itemsize == 1;
  if (!ok) {
    PyErr_Format(PyExc_TypeError, "%s needs items of one byte, not %zd", field, view.itemsize);
  } else if (out.capacity < size) {
    rosidl_runtime_c__uint8__Sequence grown;
    ok = rosidl_runtime_c__uint8__Sequence__init(&grown, size);
    if (ok) {
      rosidl_runtime_c__uint8__Sequence__fini(&out);
      out = grown;
    } else {
      PyErr_NoMemory();
    }
  }
  if (ok) {
    if (size) {
      std::memcpy(out.data, view.buf, size);
    }
    out.size = size;
  }
  PyBuffer_Release(&view);
  return ok;
}

// A list (or any sequence but str and bytes) as a fresh plain sequence; the
// member is replaced only when every element converted.
template<class Sequence, class Init, class Fini, class Element>
bool sequence_from_py(
  PyObject * value, Sequence & out, const char * field, Init init, Fini fini, Element element_from_py)
{
  if (PyUnicode_Check(value) || PyBytes_Check(value)) {
    PyErr_Format(PyExc_TypeError, "%s is a sequence, not %s", field, Py_TYPE(value)->tp_name);
    return false;
  }
  Ref items(PySequence_Fast(value, field));
  if (!items) {
    return false;
  }
  const Py_ssize_t count = PySequence_Fast_GET_SIZE(items.get());
  Sequence fresh;
  if (!init(&fresh, static_cast<std::size_t>(count))) {
    PyErr_NoMemory();
    return false;
  }
  PyObject ** item = PySequence_Fast_ITEMS(items.get());
  for (Py_ssize_t i = 0; i < count; ++i) {
    if (!element_from_py(item[i], fresh.data[i])) {
      fini(&fresh);
      return false;
    }
  }
  fini(&out);
  out = fresh;
  return true;
}

bool header_from_py(PyObject * value, std_msgs__msg__Header & out, const char * field)
{
  return check_instance(value, header_type, field) && resolve(header_type, true) && header_type.from_py(value, &out);
}

template<FieldKind Kind, class Member>
bool member_from_py(PyObject * value, Member & member, const char * field)
{
  if constexpr (detail::is_integer(Kind)) {
    unsigned long long number = 0;
    if (!integer_from_py<Kind>(value, number, field)) {
      return false;
    }
    member = static_cast<Member>(number);
    return true;
  } else if constexpr (Kind == FieldKind::STRING) {
    return string_from_py(value, member, field);
  } else if constexpr (Kind == FieldKind::UINT8_SEQUENCE) {
    return bytes_from_py(value, member, field);
  } else if constexpr (Kind == FieldKind::STRING_SEQUENCE) {
    return sequence_from_py(
      value, member, field, rosidl_runtime_c__String__Sequence__init, rosidl_runtime_c__String__Sequence__fini,
      [field](PyObject * item, rosidl_runtime_c__String & text) {return string_from_py(item, text, field);});
  } else if constexpr (Kind == FieldKind::HEADER) {
    return header_from_py(value, member, field);
  } else if constexpr (Kind == FieldKind::HEADER_SEQUENCE) {
    return sequence_from_py(
      value, member, field, std_msgs__msg__Header__Sequence__init, std_msgs__msg__Header__Sequence__fini,
      [field](PyObject * item, std_msgs__msg__Header & header) {return header_from_py(item, header, field);});
  } else {
    using Element = detail::ElementOf<Member>;
    return sequence_from_py(
      value, member, field, detail::PlainFunctions<Element>::sequence_init,
      detail::PlainFunctions<Element>::sequence_fini,
      [](PyObject * item, Element & element) {return from_py<Element>(item, &element);});
  }
}

// Fills the initialised record `raw` from `object`; on failure returns false
// with a Python exception set, the record still initialised and valid.
template<class Record>
bool from_py(PyObject * object, void * raw)
{
  PythonType & type = python_type<Record>();
  PyObject * const * slots = slot_names<Record>();
  if (!slots || !check_instance(object, type, type.name)) {
    return false;
  }
  return detail::FieldList<Record>::visit(
    *static_cast<Record *>(raw), [object, slots](auto & member, auto field) {
      Ref value(PyObject_GetAttr(object, slots[field.index]));
      return value && member_from_py<decltype(field)::kind>(value.get(), member, field.name);
    });
}

// ---- plain record to Python ----

template<class Record>
PyObject * to_py(void * raw);

PyObject * string_to_py(const rosidl_runtime_c__String & text)
{
  // Invalid UTF-8 from a peer must not make the whole message unreadable.
  return PyUnicode_DecodeUTF8(text.data ? text.data : "", static_cast<Py_ssize_t>(text.size), "replace");
}

// One copy: array('B').frombytes() reads the storage through a memoryview.
PyObject * bytes_to_py(const rosidl_runtime_c__uint8__Sequence & bytes)
{
  static PyObject * array_type = nullptr;
  if (!array_type) {
    Ref module(PyImport_ImportModule("array"));
    array_type = module ? PyObject_GetAttrString(module.get(), "array") : nullptr;
    if (!array_type) {
      return nullptr;
    }
  }
  Ref array(PyObject_CallFunction(array_type, "s", "B"));
  if (!array) {
    return nullptr;
  }
  if (bytes.size) {
    Ref view(PyMemoryView_FromMemory(
        reinterpret_cast<char *>(bytes.data), static_cast<Py_ssize_t>(bytes.size), PyBUF_READ));
    Ref done(view ? PyObject_CallMethod(array.get(), "frombytes", "O", view.get()) : nullptr);
    if (!done) {
      return nullptr;
    }
  }
  return array.release();
}

template<class Sequence, class Element>
PyObject * list_to_py(const Sequence & sequence, Element element_to_py)
{
  Ref list(PyList_New(static_cast<Py_ssize_t>(sequence.size)));
  if (!list) {
    return nullptr;
  }
  for (std::size_t i = 0; i < sequence.size; ++i) {
    PyObject * item = element_to_py(sequence.data[i]);
    if (!item) {
      return nullptr;
    }
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
  }
  return list.release();
}

PyObject * header_to_py(const std_msgs__msg__Header & header)
{
  if (!resolve(header_type, true)) {
    return nullptr;
  }
  return header_type.to_py(const_cast<std_msgs__msg__Header *>(&header));
}

template<FieldKind Kind, class Member>
PyObject * member_to_py(const Member & member)
{
  if constexpr (detail::is_integer(Kind)) {
    return PyLong_FromUnsignedLongLong(member);
  } else if constexpr (Kind == FieldKind::STRING) {
    return string_to_py(member);
  } else if constexpr (Kind == FieldKind::UINT8_SEQUENCE) {
    return bytes_to_py(member);
  } else if constexpr (Kind == FieldKind::STRING_SEQUENCE) {
    return list_to_py(member, string_to_py);
  } else if constexpr (Kind == FieldKind::HEADER) {
    return header_to_py(member);
  } else if constexpr (Kind == FieldKind::HEADER_SEQUENCE) {
    return list_to_py(member, header_to_py);
  } else {
    using Element = detail::ElementOf<Member>;
    return list_to_py(member, [](const Element & element) {return to_py<Element>(const_cast<Element *>(&element));});
  }
}

// A new message object holding what the record holds. Made without
// __init__: every slot is set here, with values of the right types.
template<class Record>
PyObject * to_py(void * raw)
{
  PythonType & type = python_type<Record>();
  PyObject * const * slots = slot_names<Record>();
  if (!slots || !resolve(type, false)) {
    return nullptr;
  }
  auto * cls = reinterpret_cast<PyTypeObject *>(type.cls);
  Ref no_arguments(PyTuple_New(0));
  Ref object(no_arguments ? PyBaseObject_Type.tp_new(cls, no_arguments.get(), nullptr) : nullptr);
  if (!object) {
    return nullptr;
  }
  const bool ok = detail::FieldList<Record>::visit(
    *static_cast<const Record *>(raw), [&object, slots](const auto & member, auto field) {
      Ref value(member_to_py<decltype(field)::kind>(member));
      return value && PyObject_SetAttr(object.get(), slots[field.index], value.get()) == 0;
    });
  return ok ? object.release() : nullptr;
}
}  // namespace

#define ORVANE_PY_EXPORT_CONVERSIONS(Msg, name) \
  bool orvane_h26x_msgs__msg__ ## name ## __convert_from_py(PyObject * object, void * raw) \
  { \
    return from_py<orvane_h26x_msgs__msg__ ## Msg>(object, raw); \
  } \
  PyObject * orvane_h26x_msgs__msg__ ## name ## __convert_to_py(void * raw) \
  { \
    return to_py<orvane_h26x_msgs__msg__ ## Msg>(raw); \
  }
ORVANE_H26X_MSGS__FOR_EACH_MESSAGE_NAMED(ORVANE_PY_EXPORT_CONVERSIONS)
