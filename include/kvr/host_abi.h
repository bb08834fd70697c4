/* The host interface of libKVRExportCreator9.so: the two exported functions, the variant the
 * host passes and receives, the host's query callback and the payment catalogue object.
 * Plain C11; C++ hosts include it as well.
 *
 * Conventions
 *  - Variants are 16 bytes, laid out like OLE VARIANTs: a 16-bit type code, three reserved
 *    16-bit words, an 8-byte value. Type codes are the OLE ones (KVR_VT_*).
 *  - Strings inside variants are "BSTRs": UTF-16 code units, NUL-terminated, preceded by a
 *    32-bit byte length (without the NUL). A kvr_bstr points at the first code unit.
 *  - Arrays are descriptors like OLE SAFEARRAYs with one or two dimensions. bounds[0] describes
 *    the first (leftmost) index; elements are stored with the last index varying fastest.
 *  - Every BSTR, array descriptor and array data block is allocated with malloc and freed with
 *    free. The helpers below do exactly that, so that the library can free what the host
 *    answers and the host can free what it built.
 *  - Ownership: the params variant of GetReportsInStringEx stays the caller's (the library
 *    reads it and never frees it). The answer variant of the callback is the library's: it
 *    hands the callback an empty variant, the host fills it, the library frees its contents.
 *  - Texts to and from the library are Windows-1251 byte strings. The text argument of
 *    GetReportsInStringEx is the address of the host's char* variable: NULL or a malloc'd,
 *    NUL-terminated string. The library frees the old value and stores a new malloc'd one
 *    (NULL for an empty text); the host frees the last value with free.
 *  - Calling convention KVR_CALL: stdcall on 32-bit Windows, as the station hosts call
 *    (the two entry points, the callback and the payment catalogue's functions), the
 *    platform's C convention elsewhere. Results are 0 (false) or 1 (true).
 *  - Results of GetReportsInStringEx. A failed export returns 1 (true), like a written one:
 *    hosts rely on that, so tell success from failure by the text as well. "Empty" is a NULL
 *    text.
 *
 *      case                                          result  text
 *      control command 1000 applied                    0     empty
 *      report '0', '1', '2' or '6' written             1     empty
 *      report '8', sub-codes 1 to 5, written           1     the file's name ("ExportVidOpl.dbf")
 *      the export failed (its parameters, the          1     "Ошибка при формировании отчета: "
 *        export directory, a query, the file)                and the message; no file
 *      unknown report code, or sub-code of '8'         0     empty
 *      failure before the export (cnf.ini, a host      0     "Ошибка при формировании
 *        query, a helper function missing, the                экспортного отчета: " and the
 *        station database cannot be opened, params            message
 *        the library cannot read; for '#': params
 *        not an array, element 0 not an integer)
 *
 *    The export steps run after the station database is open, so an unknown report code on a
 *    station that cannot be reached gives the last case. Both failures are logged as error
 *    records in "C:\MOLT\LogFiles\Reports.log": a failed export as "Ошибка формирования
 *    отчета №<code>: " and the message, a failure before the export with the text the host
 *    gets. Out of memory while a text is being built, the result is 0 and the text empty.
 *    KVR_EXPORT_FAILED_PREFIX and KVR_FAILED_BEFORE_EXPORT_PREFIX below are the two prefixes
 *    in the library's code page.
 *  - Calls must not overlap: the library keeps process-wide state and runs on the calling
 *    thread.
 */
#ifndef KVR_HOST_ABI_H
#define KVR_HOST_ABI_H

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

/* KVR_VERSION_MAJOR, _MINOR, _PATCH, KVR_VERSION_STRING ("1.0.0") and KVR_VERSION_NUMBER
 * (10000 * major + 100 * minor + patch): the version of the library this header belongs to. */
#include "kvr/version.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define KVR_CALL __stdcall
#else
#define KVR_CALL
#endif

/* ---- Variant type codes ---- */
typedef uint16_t kvr_vartype;
#define KVR_VT_EMPTY ((kvr_vartype)0)
#define KVR_VT_NULL ((kvr_vartype)1)
#define KVR_VT_I2 ((kvr_vartype)2)
#define KVR_VT_I4 ((kvr_vartype)3)
#define KVR_VT_R8 ((kvr_vartype)5)
#define KVR_VT_DATE ((kvr_vartype)7)
#define KVR_VT_BSTR ((kvr_vartype)8)
#define KVR_VT_BOOL ((kvr_vartype)11)
#define KVR_VT_VARIANT ((kvr_vartype)12)
#define KVR_VT_I8 ((kvr_vartype)20)
#define KVR_VT_ARRAY ((kvr_vartype)0x2000)

#define KVR_VARIANT_TRUE ((int16_t)-1)
#define KVR_VARIANT_FALSE ((int16_t)0)

typedef uint16_t kvr_wchar;  /* one UTF-16 code unit */
typedef kvr_wchar *kvr_bstr; /* NULL is the empty string */

typedef struct kvr_array_bound {
  uint32_t count; /* number of elements in this dimension */
  int32_t lower;  /* lowest index */
} kvr_array_bound;

typedef struct kvr_array {
  uint16_t dims;            /* 1 or 2 */
  uint16_t features;        /* reserved, 0 */
  uint32_t element_size;    /* sizeof(kvr_variant), sizeof(kvr_bstr), or the simple type's size */
  uint32_t locks;           /* reserved, 0 */
  kvr_vartype element_type; /* KVR_VT_VARIANT, KVR_VT_BSTR, KVR_VT_I4, ... */
  uint16_t reserved;
  void *data;
  kvr_array_bound bounds[2];
} kvr_array;

typedef struct kvr_variant {
  kvr_vartype vt;
  uint16_t reserved1, reserved2, reserved3;
  union {
    int16_t i2;
    int32_t i4;
    int64_t i8;
    double r8;
    double date;     /* days since 30 December 1899; the time of day is the fraction */
    int16_t boolean; /* KVR_VARIANT_TRUE or KVR_VARIANT_FALSE */
    kvr_bstr bstr;
    kvr_array *array; /* with vt = KVR_VT_ARRAY | element_type */
  } value;
} kvr_variant;

#if defined(__cplusplus)
static_assert(sizeof(kvr_variant) == 16, "a variant is 16 bytes");
#else
_Static_assert(sizeof(kvr_variant) == 16, "a variant is 16 bytes");
#endif

/* ---- Host callback ----
 * Answers the library's query `code` (arg is always 0) into *answer, which arrives empty.
 * Codes: 5 station database directory (text), 8 office reports mode (Boolean), 13 station name
 * (text), 17 KA column enabled (Boolean), 23 payment-type names (array of texts; anything else
 * selects the default list), 46 host kind (integer; 3 is the one that matters), 57 payment
 * catalogue object (pointer-sized integer holding a kvr_payment_catalogue*, 0 or a text for
 * none). */
typedef void(KVR_CALL *kvr_host_callback)(kvr_variant *answer, int32_t code, int32_t arg);

/* ---- Payment catalogue object (answer to query 57) ----
 * The library checks the magic number before it uses an object; a wrong one counts as a
 * failing host object. item returns NULL when the index is unknown (the library treats that
 * as a failure of the object). */
#define KVR_PAYMENT_CATALOGUE_MAGIC 0x4B565243u /* "KVRC" */

typedef struct kvr_payment_item kvr_payment_item;
typedef struct kvr_payment_item_vtable {
  int32_t(KVR_CALL *code)(kvr_payment_item *self);       /* the payment code */
  uint8_t(KVR_CALL *check_type)(kvr_payment_item *self); /* the check type, 0..255 */
} kvr_payment_item_vtable;
struct kvr_payment_item {
  const kvr_payment_item_vtable *vtable;
};

typedef struct kvr_payment_catalogue kvr_payment_catalogue;
typedef struct kvr_payment_catalogue_vtable {
  kvr_payment_item *(KVR_CALL *item)(kvr_payment_catalogue *self, int32_t index);
} kvr_payment_catalogue_vtable;
struct kvr_payment_catalogue {
  uint32_t magic; /* KVR_PAYMENT_CATALOGUE_MAGIC */
  const kvr_payment_catalogue_vtable *vtable;
};

/* ---- Result texts (Windows-1251, see "Results" above) ---- */
/* "Ошибка при формировании отчета: " */
#define KVR_EXPORT_FAILED_PREFIX                                                            \
  "\xCE\xF8\xE8\xE1\xEA\xE0 \xEF\xF0\xE8 \xF4\xEE\xF0\xEC\xE8\xF0\xEE\xE2\xE0\xED\xE8\xE8 " \
  "\xEE\xF2\xF7\xE5\xF2\xE0: "
/* "Ошибка при формировании экспортного отчета: " */
#define KVR_FAILED_BEFORE_EXPORT_PREFIX                                                     \
  "\xCE\xF8\xE8\xE1\xEA\xE0 \xEF\xF0\xE8 \xF4\xEE\xF0\xEC\xE8\xF0\xEE\xE2\xE0\xED\xE8\xE8 " \
  "\xFD\xEA\xF1\xEF\xEE\xF0\xF2\xED\xEE\xE3\xEE \xEE\xF2\xF7\xE5\xF2\xE0: "

/* ---- The exported functions ---- */
/* A host that links the import library of KVRExportCreator9.dll may define KVR_DLLIMPORT;
 * hosts that load the library at run time need nothing. */
#if defined(_WIN32) && defined(KVR_DLLIMPORT)
#define KVR_API __declspec(dllimport)
#else
#define KVR_API
#endif

/* Hands over the host context. A NULL argument leaves what was stored before. Builds the
 * payment catalogue. */
KVR_API void KVR_CALL InitReports(void *data, kvr_host_callback callback, void *buffer);

/* Runs report `report_code` ('0', '1', '2', '6', '8') with `params` (a one-dimensional array
 * indexed from 0), or control command 1000 (report code '#', element 0 = 1000). Returns 0 or 1
 * and stores the result text in *text (see "Results" in the conventions above: a failed
 * export also returns 1). */
KVR_API int32_t KVR_CALL GetReportsInStringEx(char report_code, kvr_variant params, char **text);

/* For hosts that load the library with dlopen/dlsym. */
typedef void(KVR_CALL *kvr_init_reports_fn)(void *data, kvr_host_callback callback, void *buffer);
typedef int32_t(KVR_CALL *kvr_get_reports_fn)(char report_code, kvr_variant params, char **text);

/* ---- Helpers for C hosts (header-only) ---- */

/* A BSTR of `count` UTF-16 code units copied from `units`; NULL when out of memory. */
static inline kvr_bstr kvr_bstr_alloc(const kvr_wchar *units, uint32_t count) {
  uint32_t bytes = count * (uint32_t)sizeof(kvr_wchar);
  unsigned char *block = (unsigned char *)malloc(sizeof(uint32_t) + bytes + sizeof(kvr_wchar));
  if (!block) return NULL;
  memcpy(block, &bytes, sizeof bytes);
  if (count) memcpy(block + sizeof(uint32_t), units, bytes);
  memset(block + sizeof(uint32_t) + bytes, 0, sizeof(kvr_wchar));
  return (kvr_bstr)(void *)(block + sizeof(uint32_t));
}

/* Number of code units in a BSTR (0 for NULL). */
static inline uint32_t kvr_bstr_length(const kvr_wchar *s) {
  uint32_t bytes;
  if (!s) return 0;
  memcpy(&bytes, (const unsigned char *)s - sizeof(uint32_t), sizeof bytes);
  return bytes / (uint32_t)sizeof(kvr_wchar);
}

static inline void kvr_bstr_free(kvr_bstr s) {
  if (s) free((unsigned char *)s - sizeof(uint32_t));
}

/* A BSTR from UTF-8 text; invalid bytes become U+FFFD. NULL when out of memory. */
static inline kvr_bstr kvr_bstr_from_utf8(const char *utf8) {
  size_t n = utf8 ? strlen(utf8) : 0, i = 0;
  uint32_t count = 0;
  kvr_bstr out;
  kvr_wchar *units = (kvr_wchar *)malloc((n * 2 + 1) * sizeof(kvr_wchar));
  if (!units) return NULL;
  while (i < n) {
    const unsigned char *p = (const unsigned char *)utf8 + i;
    uint32_t cp = 0xFFFD;
    size_t len = 1, k;
    if (p[0] < 0x80)
      cp = p[0];
    else if ((p[0] & 0xE0) == 0xC0) {
      cp = p[0] & 0x1Fu;
      len = 2;
    } else if ((p[0] & 0xF0) == 0xE0) {
      cp = p[0] & 0x0Fu;
      len = 3;
    } else if ((p[0] & 0xF8) == 0xF0) {
      cp = p[0] & 0x07u;
      len = 4;
    }
    if (len > 1) {
      if (i + len > n) {
        cp = 0xFFFD;
        len = 1;
      }
      for (k = 1; k < len; ++k) {
        if ((p[k] & 0xC0) != 0x80) {
          cp = 0xFFFD;
          len = 1;
          break;
        }
        cp = (cp << 6) | (p[k] & 0x3Fu);
      }
    }
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      units[count++] = (kvr_wchar)(0xD800 + ((cp - 0x10000) >> 10));
      units[count++] = (kvr_wchar)(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      units[count++] = (kvr_wchar)(cp > 0x10FFFF ? 0xFFFD : cp);
    }
    i += len;
  }
  out = kvr_bstr_alloc(units, count);
  free(units);
  return out;
}

static inline void kvr_variant_init(kvr_variant *v) { memset(v, 0, sizeof *v); }

/* Frees what a variant owns (strings, arrays and their elements) and leaves it empty. */
static inline void kvr_variant_clear(kvr_variant *v);

static inline void kvr_array_free(kvr_array *a) {
  uint64_t total, i;
  if (!a) return;
  total = a->bounds[0].count;
  if (a->dims == 2) total *= a->bounds[1].count;
  if (a->data) {
    if (a->element_type == KVR_VT_VARIANT)
      for (i = 0; i < total; ++i) kvr_variant_clear((kvr_variant *)a->data + i);
    else if (a->element_type == KVR_VT_BSTR)
      for (i = 0; i < total; ++i) kvr_bstr_free(((kvr_bstr *)a->data)[i]);
    free(a->data);
  }
  free(a);
}

static inline void kvr_variant_clear(kvr_variant *v) {
  if (v->vt & KVR_VT_ARRAY)
    kvr_array_free(v->value.array);
  else if (v->vt == KVR_VT_BSTR)
    kvr_bstr_free(v->value.bstr);
  kvr_variant_init(v);
}

static inline void kvr_variant_set_null(kvr_variant *v) {
  kvr_variant_clear(v);
  v->vt = KVR_VT_NULL;
}
static inline void kvr_variant_set_i4(kvr_variant *v, int32_t x) {
  kvr_variant_clear(v);
  v->vt = KVR_VT_I4;
  v->value.i4 = x;
}
static inline void kvr_variant_set_i8(kvr_variant *v, int64_t x) {
  kvr_variant_clear(v);
  v->vt = KVR_VT_I8;
  v->value.i8 = x;
}
static inline void kvr_variant_set_r8(kvr_variant *v, double x) {
  kvr_variant_clear(v);
  v->vt = KVR_VT_R8;
  v->value.r8 = x;
}
static inline void kvr_variant_set_date(kvr_variant *v, double days) {
  kvr_variant_clear(v);
  v->vt = KVR_VT_DATE;
  v->value.date = days;
}
static inline void kvr_variant_set_bool(kvr_variant *v, int x) {
  kvr_variant_clear(v);
  v->vt = KVR_VT_BOOL;
  v->value.boolean = x ? KVR_VARIANT_TRUE : KVR_VARIANT_FALSE;
}
/* Stores a pointer (for example a kvr_payment_catalogue*) as a pointer-sized integer. */
static inline void kvr_variant_set_pointer(kvr_variant *v, const void *p) {
  kvr_variant_set_i8(v, (int64_t)(intptr_t)p);
}
/* Returns 0 when out of memory (the variant is then empty). */
static inline int kvr_variant_set_utf8(kvr_variant *v, const char *utf8) {
  kvr_variant_clear(v);
  v->value.bstr = kvr_bstr_from_utf8(utf8);
  if (!v->value.bstr) return 0;
  v->vt = KVR_VT_BSTR;
  return 1;
}

/* An array of variants, all empty: one dimension [lower .. lower+count-1], or two when count2
 * is non-zero ([lower .. lower+count-1, lower2 .. lower2+count2-1]). NULL when out of memory. */
static inline kvr_array *kvr_array_create(int32_t lower, uint32_t count, int32_t lower2,
                                          uint32_t count2) {
  uint64_t total = (uint64_t)count * (count2 ? count2 : 1u);
  kvr_array *a = (kvr_array *)calloc(1, sizeof *a);
  if (!a) return NULL;
  a->dims = count2 ? 2 : 1;
  a->element_size = (uint32_t)sizeof(kvr_variant);
  a->element_type = KVR_VT_VARIANT;
  a->bounds[0].count = count;
  a->bounds[0].lower = lower;
  a->bounds[1].count = count2;
  a->bounds[1].lower = lower2;
  if (total) {
    a->data = calloc((size_t)total, sizeof(kvr_variant));
    if (!a->data) {
      free(a);
      return NULL;
    }
  }
  return a;
}

/* The element at [i] (one dimension) or [i, j] (two); NULL outside the bounds. */
static inline kvr_variant *kvr_array_at(kvr_array *a, int32_t i, int32_t j) {
  int64_t x = (int64_t)i - a->bounds[0].lower, y = 0;
  if (a->element_type != KVR_VT_VARIANT || x < 0 || x >= (int64_t)a->bounds[0].count) return NULL;
  if (a->dims == 2) {
    y = (int64_t)j - a->bounds[1].lower;
    if (y < 0 || y >= (int64_t)a->bounds[1].count) return NULL;
    return (kvr_variant *)a->data + x * a->bounds[1].count + y;
  }
  return (kvr_variant *)a->data + x;
}

/* The variant takes ownership of the array. */
static inline void kvr_variant_set_array(kvr_variant *v, kvr_array *a) {
  kvr_variant_clear(v);
  if (!a) return;
  v->vt = (kvr_vartype)(KVR_VT_ARRAY | a->element_type);
  v->value.array = a;
}

#ifdef __cplusplus
}
#endif

#endif /* KVR_HOST_ABI_H */
