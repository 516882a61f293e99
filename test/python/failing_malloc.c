/* Preloaded into a test process: failing_malloc_arm(k) makes the k-th
   malloc, calloc or realloc from then on return NULL, once. */
#include <stddef.h>

void * __libc_malloc(size_t size);
void * __libc_calloc(size_t count, size_t size);
void * __libc_realloc(void * pointer, size_t size);

static long countdown = 0;

__attribute__((visibility("default"))) void failing_malloc_arm(long k)
{
  __atomic_store_n(&countdown, k, __ATOMIC_SEQ_CST);
}

static int fails_now(void)
{
  long left = __atomic_load_n(&countdown, __ATOMIC_SEQ_CST);
  return left > 0 && __atomic_sub_fetch(&countdown, 1, __ATOMIC_SEQ_CST) == 0;
}

void * malloc(size_t size) {return fails_now() ? NULL : __libc_malloc(size);}
void * calloc(size_t count, size_t size) {return fails_now() ? NULL : __libc_calloc(count, size);}
void * realloc(void * pointer, size_t size) {return fails_now() ? NULL : __libc_realloc(pointer, size);}
