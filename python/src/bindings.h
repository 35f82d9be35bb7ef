// The parts of the extension module quva._quva, each bound by a file of its own.
#pragma once

#include <pybind11/pybind11.h>

namespace quva::python {

void bindSimulation(pybind11::module_ &m);
void bindVessel(pybind11::module_ &m);

// Lets Ctrl-C end a long run: raises KeyboardInterrupt (or what a signal handler raised).
inline void checkSignals() {
    if (PyErr_CheckSignals() != 0) throw pybind11::error_already_set();
}

}  // namespace quva::python
