// The extension module quva._quva: the runtime's simulation as Python objects. The pure-Python
// package quva (quva/__init__.py) builds the public interface on it.
#include "bindings.h"

#include <pybind11/stl.h>

#include <stdexcept>

#include "core/module_registry.h"
#include "core/simulation.h"
#include "files/input_error.h"
#include "files/output_checks.h"

namespace py = pybind11;

namespace {

// quva.Error, raised with the message the quva command prints and, for bad input, its file and
// line as attributes (None where they do not apply; the class has both as None too).
PyObject *errorType = nullptr;

void raiseError(const std::string &message, py::object file, py::object line) {
    py::object error = py::reinterpret_borrow<py::object>(errorType)(message);
    error.attr("file") = std::move(file);
    error.attr("line") = std::move(line);
    PyErr_SetObject(errorType, error.ptr());
}

void translate(std::exception_ptr p) {
    try {
        if (p) std::rethrow_exception(p);
    } catch (py::error_already_set &e) {
        e.restore();  // a Python exception on its way through, such as KeyboardInterrupt
    } catch (const py::builtin_exception &e) {
        e.set_error();
    } catch (const quva::InputError &e) {
        raiseError(e.what(), py::str(e.file()), e.line() > 0 ? py::object(py::int_(e.line())) : py::object(py::none()));
    } catch (const std::invalid_argument &e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const std::bad_alloc &) {
        PyErr_SetString(PyExc_MemoryError, "out of memory");
    } catch (const std::exception &e) {
        raiseError(e.what(), py::none(), py::none());
    }
}

}  // namespace

PYBIND11_MODULE(_quva, m) {
    m.doc() = "The quva host runtime, as used by the quva package.";
    PyObject *attributes = PyDict_New();
    PyDict_SetItemString(attributes, "file", Py_None);
    PyDict_SetItemString(attributes, "line", Py_None);
    errorType = PyErr_NewExceptionWithDoc(
        "quva.Error", "A failure of the simulation: bad input (with .file and .line) or misuse.", nullptr, attributes);
    Py_DECREF(attributes);
    m.attr("Error") = py::reinterpret_borrow<py::object>(errorType);
    m.attr("MAX_RUN_STEPS") = quva::kMaxRunSteps;
    py::register_exception_translator(&translate);
    // A script makes simulations by the thousand: their modules stay loaded in between.
    quva::ModuleRegistry::keepModulesLoaded();
    quva::python::bindSimulation(m);
    quva::python::bindVessel(m);
}
