#include "Uniform.h"

#include <QRandomGenerator>

Uniform systemUniform() {
    return [](double lo, double hi) { return lo + (hi - lo) * QRandomGenerator::system()->generateDouble(); };
}
