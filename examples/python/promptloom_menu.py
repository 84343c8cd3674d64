#!/usr/bin/env python3
"""Drives promptloom from Python with ctypes.

With a terminal the menus are interactive; with redirected input the library falls back to
plain text, which is what scripts usually want:

    printf '2\\n1,3\\nhi\\n' | python3 promptloom_menu.py /path/to/libpromptloom.so
"""
import ctypes
import sys


class PromptOptions(ctypes.Structure):
    _fields_ = [
        ("prompt", ctypes.c_char_p),
        ("reserved0", ctypes.c_uint32),
        ("reserved1", ctypes.c_uint32),
        ("history", ctypes.c_uint32),
        ("completion", ctypes.c_uint32),
        ("reserved2", ctypes.c_uint32),
        ("reserved3", ctypes.c_uint32),
        ("edit_mode", ctypes.c_int32),
        ("reserved4", ctypes.c_uint32),
    ]


def load(path):
    lib = ctypes.CDLL(path)
    lib.plm_context_create.restype = ctypes.c_void_p
    lib.plm_context_destroy.argtypes = [ctypes.c_void_p]
    lib.plm_status_message.restype = ctypes.c_char_p
    lib.plm_status_message.argtypes = [ctypes.c_int32]
    lib.plm_version_string.restype = ctypes.c_char_p
    lib.plm_menu_choice_interactive.argtypes = [
        ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(ctypes.c_char_p), ctypes.c_size_t,
        ctypes.c_size_t, ctypes.POINTER(ctypes.c_size_t)]
    lib.plm_menu_multi_choice_interactive.argtypes = [
        ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(ctypes.c_char_p), ctypes.c_size_t,
        ctypes.POINTER(ctypes.c_ubyte), ctypes.c_int32]
    lib.plm_default_prompt_options.argtypes = [ctypes.POINTER(PromptOptions)]
    lib.plm_prompt_run.argtypes = [ctypes.c_void_p, ctypes.POINTER(PromptOptions), ctypes.c_char_p, ctypes.c_size_t]
    return lib


def main():
    lib = load(sys.argv[1] if len(sys.argv) > 1 else "libpromptloom.so")
    print("library:", lib.plm_version_string().decode())
    ctx = lib.plm_context_create()
    items = [b"build", b"test", b"release"]
    array = (ctypes.c_char_p * len(items))(*items)
    try:
        index = ctypes.c_size_t(0)
        status = lib.plm_menu_choice_interactive(ctx, b"Next step", array, len(items), 0, ctypes.byref(index))
        print("single:", status, items[index.value].decode() if status == 0 else lib.plm_status_message(status).decode())

        flags = (ctypes.c_ubyte * len(items))()
        status = lib.plm_menu_multi_choice_interactive(ctx, b"Steps to run", array, len(items), flags, 0)
        chosen = [items[i].decode() for i in range(len(items)) if flags[i]]
        print("multi:", status, ",".join(chosen))

        options = PromptOptions()
        lib.plm_default_prompt_options(ctypes.byref(options))
        options.prompt = b"note> "
        line = ctypes.create_string_buffer(256)
        status = lib.plm_prompt_run(ctx, ctypes.byref(options), line, len(line))
        print("line:", status, line.value.decode(errors="replace"))
    finally:
        lib.plm_context_destroy(ctx)


if __name__ == "__main__":
    main()
