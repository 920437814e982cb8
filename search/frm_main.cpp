#include "search/frm_main.h"
