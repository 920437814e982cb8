#include "host/vantora_api.h"
