#include <assert.h>
#include <stddef.h>

#include "promptloom.h"
#include "layout_fields.inc"
