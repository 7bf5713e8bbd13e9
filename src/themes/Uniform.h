#pragma once

#include <functional>

// Draws a value uniformly from the closed range [lo, hi]. The views take one
// so that tests can make particles and stars that hold still.
using Uniform = std::function<double(double lo, double hi)>;

// The system random generator, as every random choice of the program uses.
Uniform systemUniform();
