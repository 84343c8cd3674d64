/* The public records' sizes and field offsets as the C compiler lays them out, for comparison
 * with the C++ view in layout_test.cc: a caller written in C must see the same records. */
#include <stddef.h>

#include "promptloom.h"

#define PLM_SIZE(type) sizeof(type),
#define PLM_FIELD(type, field) offsetof(type, field),

const size_t plm_c_layout[] = {
#include "layout_fields.inc"
};
const size_t plm_c_layout_count = sizeof plm_c_layout / sizeof plm_c_layout[0];
