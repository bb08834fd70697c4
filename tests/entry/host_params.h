// Parameter arrays built the way a C host builds them: with the header-only helpers of
// kvr/host_abi.h, compiled as C11 (host_params.c). Elements are given as a compact spec.
#pragma once

#include "kvr/host_abi.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum { HP_INT, HP_TEXT, HP_DATE, HP_NULL, HP_EMPTY, HP_BOOL, HP_FLOAT } host_param_kind;
typedef struct {
  host_param_kind kind;
  int64_t integer;
  const char* text; /* UTF-8 */
  double real;
} host_param;

/* A one-dimensional array [0 .. count-1] of variants holding `params`. */
kvr_variant host_params_array(const host_param* params, uint32_t count);
/* Names as an array of variants holding BSTRs. */
kvr_variant host_names_array(const char* const* utf8_names, uint32_t count);
/* Names as an array whose elements are BSTRs directly (element type KVR_VT_BSTR). */
kvr_variant host_bstr_array(const char* const* utf8_names, uint32_t count);

#ifdef __cplusplus
}
#endif
