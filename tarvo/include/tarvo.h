/*
 * tarvo.h - plain-function interface of the pack format library.
 *
 * A pack is a self-describing record of named, typed values written
 * little-endian and unaligned into a caller's buffer. Packs never own
 * memory: the pack bytes live in the caller's buffer, and the handles,
 * the block allocator and the lookup indexes live in the caller's temp
 * area (or in a tal::ResourcePool for tarvo_open_w_rp).
 *
 * Every function reports failure by a negative code from the TARVO_ERR_
 * list; pointer-returning functions return the code cast to a pointer,
 * which TARVO_PTR_ERR turns back into the code. Nothing here throws.
 */
#ifndef TARVO_H
#define TARVO_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t tv_int32_t;
typedef uint32_t tv_uint32_t;
typedef int64_t tv_int64_t;
typedef uint64_t tv_uint64_t;
/* One byte; a version-2 pack stores the byte exactly as given. */
typedef char tv_bool_t;

/* Opaque handle of an open pack, a nested object or a nested array. */
typedef struct tarvo_s tarvo_t;

/*
 * Item descriptor filled by tarvo_first_item / tarvo_next_item. Every
 * pointer leads into the pack buffer: the descriptor stays valid only while
 * the pack is not changed. It owns nothing and needs no cleanup.
 */
typedef struct tarvo_item_s {
    const tarvo_t* pack; /* handle that owns the item */
    char* internal;      /* first byte of the stored item */
    int type;            /* plain type code (TARVO_TYPE_...) */
    size_t value_size;   /* value bytes; a str counts its NUL */
    const char* key;     /* NUL-terminated name ("" when nameless) */
    const char* value;   /* value bytes inside the pack buffer */
} tarvo_item_t;

/* Plain type codes (also the version-1 type codes). */
#define TARVO_TYPE_PACK 1
#define TARVO_TYPE_OBJECT 2
#define TARVO_TYPE_ARRAY 4
/* A version-2 value without a plain code (8/16-bit integers, date). */
#define TARVO_TYPE_V2_OTHER 5
#define TARVO_TYPE_RAW 16
#define TARVO_TYPE_INT32 21
#define TARVO_TYPE_UINT32 22
#define TARVO_TYPE_INT64 25
#define TARVO_TYPE_UINT64 26
#define TARVO_TYPE_STR 32
#define TARVO_TYPE_BOOL 48
#define TARVO_TYPE_NULL 64
#define TARVO_TYPE_FLOAT 80
#define TARVO_TYPE_DOUBLE 81

/*
 * Version-2 type bytes. Bits 4-6 are the kind (0 marks a deleted item),
 * bits 0-3 the value size of a fixed-size item, bit 7 the short form of a
 * variable-length item (3-byte header with a one-byte length).
 */
#define TARVOV2_INVALID 0x00
#define TARVOV2_OBJECT 0x10
#define TARVOV2_INT_8 0x11
#define TARVOV2_INT_16 0x12
#define TARVOV2_INT_32 0x14
#define TARVOV2_INT_64 0x18
#define TARVOV2_ARRAY 0x20
#define TARVOV2_UINT_8 0x21
#define TARVOV2_UINT_16 0x22
#define TARVOV2_UINT_32 0x24
#define TARVOV2_UINT_64 0x28
#define TARVOV2_BOOL 0x31
#define TARVOV2_FLOAT 0x44
#define TARVOV2_DOUBLE 0x48
#define TARVOV2_STRING 0x50
#define TARVOV2_DATE 0x58
#define TARVOV2_RAW 0x60
#define TARVOV2_NULL 0x61
#define TARVOV2_SHORT_ITEM 0x80
#define TARVOV2_FIXED_ITEM 0x0F
#define TARVOV2_DELETED_ITEM 0x70

/* Error codes; tarvo_perror gives their texts. */
#define TARVO_OK 0
#define TARVO_ERR_NOT_FOUND (-1)
#define TARVO_ERR_BAD_PARAM (-2)
#define TARVO_ERR_BAD_NAME (-3)
#define TARVO_ERR_WRONG_TYPE (-4)
#define TARVO_ERR_NO_SPACE (-5)
#define TARVO_ERR_NAME_TOO_LONG (-6)
#define TARVO_ERR_EXIST (-7)
#define TARVO_ERR_BAD_DATA (-8)
#define TARVO_ERR_NULL_POINTER (-9)
#define TARVO_ERR_FOUND_WRONG_TYPE (-10)
#define TARVO_ERR_NO_TEMP (-11)
#define TARVO_ERR_MODE (-12)
#define TARVO_ERR_NOT_PERMITTED (-13)
#define TARVO_ERR_NOT_SUPPORTED (-14)
#define TARVO_ERR_UNKNOWN (-15)

/* Names are stored with their NUL in a one-byte length: 254 characters. */
#define TARVO_MAX_NAME_LEN 254

/* The code carried by a returned pointer: -9 for NULL, the value itself
 * for -255..-1, 0 for a usable handle. */
static inline int tarvo_ptr_err(const void* p)
{
    if (p == NULL) return TARVO_ERR_NULL_POINTER;
    if ((uintptr_t)p >= (uintptr_t)(intptr_t)-255) return (int)(intptr_t)p;
    return 0;
}
#define TARVO_PTR_ERR(p) tarvo_ptr_err((const void*)(p))

/* Text of an error code; never NULL. */
const char* tarvo_perror(int err);

/*
 * Opens an empty writable pack (version 1 or 2) over size bytes at buf; the
 * handle, its allocator and its indexes go into the tmp_size bytes at
 * tempbuf, which may start at any address. A version-2 pack needs 136
 * usable temp bytes and a buffer of at least 10 bytes.
 */
tarvo_t* tarvo_open_w(int version, char* buf, int size, char* tempbuf, int tmp_size);

/* Opens the pack in the first size bytes of buf for reading and writing;
 * the version follows from the bytes ("PCK\0" starts a version-1 pack). */
tarvo_t* tarvo_open_rw(char* buf, int size, char* tempbuf, int tmp_size);

int tarvo_get_version(const tarvo_t* pack);

/* Append an empty object / array and return its child handle, to be filled
 * and then given back with tarvo_finish. name is NULL inside an array. */
tarvo_t* tarvo_put_object(tarvo_t* pack, const char* name);
tarvo_t* tarvo_put_array(tarvo_t* pack, const char* name);

int tarvo_put_int32(tarvo_t* pack, const char* name, tv_int32_t value);
int tarvo_put_uint32(tarvo_t* pack, const char* name, tv_uint32_t value);
int tarvo_put_int64(tarvo_t* pack, const char* name, tv_int64_t value);
int tarvo_put_uint64(tarvo_t* pack, const char* name, tv_uint64_t value);
int tarvo_put_double(tarvo_t* pack, const char* name, double value);
int tarvo_put_bool(tarvo_t* pack, const char* name, tv_bool_t value);
int tarvo_put_null(tarvo_t* pack, const char* name);
/* Stores the text up to its first NUL, with that NUL. */
int tarvo_put_str(tarvo_t* pack, const char* name, const char* value);
int tarvo_put_raw(tarvo_t* pack, const char* name, const void* rawdata, unsigned int size);

/* Gives a handle and its lookup index back to the temp area. A NULL,
 * error-coded or foreign pointer is ignored. */
void tarvo_finish(const tarvo_t* pack);

int tarvo_close(tarvo_t* pack);
/* Bytes from the container's first byte to its end. */
int tarvo_get_size(const tarvo_t* pack);
/* Address of the container's first byte. */
char* tarvo_get_buffer(const tarvo_t* pack);
int tarvo_get_item_count(const tarvo_t* pack);

/* 0 with item filled, -1 when there is no further item, -8 for bad data,
 * -2 for bad arguments. current and next may be the same descriptor. */
int tarvo_first_item(const tarvo_t* pack, tarvo_item_t* item);
int tarvo_next_item(const tarvo_item_t* current, tarvo_item_t* next);

/* Handle of the nested object / array an item holds; give it back with
 * tarvo_finish. */
int tarvo_get_pack_from_item(const tarvo_item_t* item, tarvo_t** child);
int tarvo_get_array_from_item(const tarvo_item_t* item, tarvo_t** child);

/* 1 when every top-level item is well-formed within the container. */
int tarvo_valid(const tarvo_t* pack);

#ifdef __cplusplus
} /* extern "C" */

namespace tal {
class ResourcePool;
}

/* As tarvo_open_w, with the handles and indexes taken from pool (released
 * only with the pool); a pool failure gives -11. */
tarvo_t* tarvo_open_w_rp(int version, char* buf, int size, tal::ResourcePool* pool);
#endif

#endif /* TARVO_H */
