/* Preloaded into Wine's 32-bit processes when they run under qemu user-mode emulation. qemu 7.2 treats
 * MAP_FIXED_NOREPLACE as a mere hint and maps elsewhere when the requested range is taken, where the kernel
 * fails with EEXIST; Wine's loader relies on that failure to find its fixed areas. This answers as the
 * kernel would. Built without the C library's headers (no 32-bit development packages are needed); the
 * functions it calls come from the C library the process has already loaded. */

typedef unsigned int size_t;
typedef long long off64_t;

#define RTLD_NEXT ((void*)-1l)
#define MAP_FAILED ((void*)-1)
#define MAP_FIXED_NOREPLACE 0x100000
#define EEXIST 17

void* dlsym(void* handle, const char* name);
int munmap(void* address, size_t length);
int* __errno_location(void);

typedef void* (*Mmap64Function)(void*, size_t, int, int, int, off64_t);

/* The mapping asked for, refused like the kernel refuses it when it did not land at the requested address. */
static void* Checked(void* wanted, void* mapped, size_t length, int flags)
{
    if (!(flags & MAP_FIXED_NOREPLACE) || mapped == MAP_FAILED || mapped == wanted)
    {
        return mapped;
    }
    munmap(mapped, length);
    *__errno_location() = EEXIST;
    return MAP_FAILED;
}

void* mmap64(void* address, size_t length, int protection, int flags, int fd, off64_t offset)
{
    static Mmap64Function next;
    if (!next)
    {
        next = (Mmap64Function)dlsym(RTLD_NEXT, "mmap64");
    }
    return Checked(address, next(address, length, protection, flags, fd, offset), length, flags);
}

void* mmap(void* address, size_t length, int protection, int flags, int fd, long offset)
{
    return mmap64(address, length, protection, flags, fd, offset);
}
