#include "host_params.h"

kvr_variant host_params_array(const host_param* params, uint32_t count) {
  kvr_variant result;
  kvr_array* array = kvr_array_create(0, count, 0, 0);
  uint32_t i;
  kvr_variant_init(&result);
  for (i = 0; i < count; ++i) {
    kvr_variant* element = kvr_array_at(array, (int32_t)i, 0);
    switch (params[i].kind) {
      case HP_INT: kvr_variant_set_i4(element, (int32_t)params[i].integer); break;
      case HP_TEXT: kvr_variant_set_utf8(element, params[i].text); break;
      case HP_DATE: kvr_variant_set_date(element, params[i].real); break;
      case HP_NULL: kvr_variant_set_null(element); break;
      case HP_EMPTY: break;
      case HP_BOOL: kvr_variant_set_bool(element, params[i].integer != 0); break;
      case HP_FLOAT: kvr_variant_set_r8(element, params[i].real); break;
    }
  }
  kvr_variant_set_array(&result, array);
  return result;
}

kvr_variant host_names_array(const char* const* utf8_names, uint32_t count) {
  kvr_variant result;
  kvr_array* array = kvr_array_create(0, count, 0, 0);
  uint32_t i;
  kvr_variant_init(&result);
  for (i = 0; i < count; ++i)
    kvr_variant_set_utf8(kvr_array_at(array, (int32_t)i, 0), utf8_names[i]);
  kvr_variant_set_array(&result, array);
  return result;
}

kvr_variant host_bstr_array(const char* const* utf8_names, uint32_t count) {
  kvr_variant result;
  kvr_array* array = (kvr_array*)calloc(1, sizeof *array);
  uint32_t i;
  kvr_variant_init(&result);
  array->dims = 1;
  array->element_size = (uint32_t)sizeof(kvr_bstr);
  array->element_type = KVR_VT_BSTR;
  array->bounds[0].count = count;
  array->data = calloc(count ? count : 1, sizeof(kvr_bstr));
  for (i = 0; i < count; ++i) ((kvr_bstr*)array->data)[i] = kvr_bstr_from_utf8(utf8_names[i]);
  kvr_variant_set_array(&result, array);
  return result;
}
