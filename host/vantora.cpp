#include "host/vantora.h"
