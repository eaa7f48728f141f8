#include "FakeGateway.h"
