#include "MatrixDevice.h"
