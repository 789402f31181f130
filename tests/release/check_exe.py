#!/usr/bin/env python3
"""Static checks of the shipped Tolv.exe, which machines of this kind cannot
run (no 32-bit code): a 32-bit GUI program of at most 3 MiB that imports only
system DLLs and carries its manifest, version 3.0.1.3 and icon 128."""
import struct
import sys
import unittest

EXE = sys.argv.pop(1) if len(sys.argv) > 1 else ""

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
    "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "wininet.dll", "gdiplus.dll", "shlwapi.dll",
    "msimg32.dll", "version.dll", "winmm.dll", "msvcrt.dll", "ws2_32.dll", "dsound.dll",
    "psapi.dll", "urlmon.dll", "uxtheme.dll", "imm32.dll", "dwmapi.dll", "crypt32.dll",
    "secur32.dll", "bcrypt.dll", "userenv.dll",
}

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


class PE:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
        self.machine, nsect = struct.unpack_from("<HH", data, pe + 4)
        opt_size = struct.unpack_from("<H", data, pe + 20)[0]
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        dirs = opt + (96 if self.magic == 0x10B else 112)
        self.dirs = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(16)]
        self.sections = []
        for i in range(nsect):
            s = opt + opt_size + 40 * i
            vsize, va, rsize, rptr = struct.unpack_from("<IIII", data, s + 8)
            self.sections.append((va, max(vsize, rsize), rptr))

    def off(self, rva):
        for va, size, rptr in self.sections:
            if va <= rva < va + size:
                return rva - va + rptr
        raise ValueError("rva %x outside every section" % rva)

    def cstr(self, rva):
        o = self.off(rva)
        return self.data[o:self.data.index(b"\0", o)].decode("ascii")

    def imports(self):
        rva = self.dirs[1][0]
        names, o = [], self.off(rva)
        while True:
            name_rva = struct.unpack_from("<I", self.data, o + 12)[0]
            if not name_rva:
                return names
            names.append(self.cstr(name_rva))
            o += 20

    def imported_functions(self):
        """{dll (lower case): [function names]}; ordinals as "#n"."""
        found, o = {}, self.off(self.dirs[1][0])
        width, flag = (4, 0x80000000) if self.magic == 0x10B else (8, 0x8000000000000000)
        fmt = "<I" if width == 4 else "<Q"
        while True:
            lookup, _, _, name_rva, first = struct.unpack_from("<IIIII", self.data, o)
            if not name_rva:
                return found
            names = found.setdefault(self.cstr(name_rva).lower(), [])
            t = self.off(lookup or first)
            while True:
                entry = struct.unpack_from(fmt, self.data, t)[0]
                if not entry:
                    break
                names.append("#%d" % (entry & 0xFFFF) if entry & flag else self.cstr(entry + 2))
                t += width
            o += 20

    def resources(self):
        """{type id: [name ids]} from the resource directory."""
        base = self.off(self.dirs[2][0])
        def entries(o):
            named, ids = struct.unpack_from("<HH", self.data, o + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, o + 16 + 8 * i)
                yield name, target
        found = {}
        for type_id, target in entries(base):
            if target & 0x80000000:
                found[type_id] = [n for n, _ in entries(base + (target & 0x7FFFFFFF))]
        return found

    def png_sizes(self):
        """{id: (width, height)} of the resources of the named type "PNG"."""
        base = self.off(self.dirs[2][0])

        def entries(o):
            named, ids = struct.unpack_from("<HH", self.data, o + 12)
            for i in range(named + ids):
                yield struct.unpack_from("<II", self.data, o + 16 + 8 * i)

        def name(value):
            o = base + (value & 0x7FFFFFFF)
            n = struct.unpack_from("<H", self.data, o)[0]
            return self.data[o + 2:o + 2 + 2 * n].decode("utf-16-le")

        sizes = {}
        for type_id, target in entries(base):
            if not (type_id & 0x80000000 and name(type_id) == "PNG"):
                continue
            for res_id, lang_dir in entries(base + (target & 0x7FFFFFFF)):
                for _, leaf in entries(base + (lang_dir & 0x7FFFFFFF)):
                    rva = struct.unpack_from("<I", self.data, base + leaf)[0]
                    o = self.off(rva)
                    assert self.data[o:o + 8] == b"\x89PNG\r\n\x1a\n", res_id
                    sizes[res_id] = struct.unpack_from(">II", self.data, o + 16)
        return sizes


# Functions the shipped executable must not import because Windows XP SP3's
# system DLLs lack them: the loader would refuse to start the program. Each
# is listed with the minimum client its documentation gives (Windows Vista
# unless noted). Not a complete list of everything newer than XP; it names
# what a C++ runtime, our framework code and the usual Win32 idioms reach for.
POST_XP = {
    "kernel32.dll": {
        # Time, strings, locales
        "GetTickCount64", "CompareStringOrdinal", "CompareStringEx", "LCMapStringEx",
        "GetLocaleInfoEx", "GetUserDefaultLocaleName", "LocaleNameToLCID", "LCIDToLocaleName",
        "GetDynamicTimeZoneInformation", "GetSystemTimePreciseAsFileTime",  # the latter: 8
        "FindFirstStreamW", "FindNextStreamW",
        # Synchronisation (slim locks, condition variables, one-time init)
        "InitializeSRWLock", "AcquireSRWLockExclusive", "AcquireSRWLockShared",
        "ReleaseSRWLockExclusive", "ReleaseSRWLockShared", "TryAcquireSRWLockExclusive",  # 7
        "InitializeConditionVariable", "SleepConditionVariableCS", "SleepConditionVariableSRW",
        "WakeConditionVariable", "WakeAllConditionVariable", "InitOnceExecuteOnce",
        "InitOnceBeginInitialize", "InitOnceComplete", "InitializeCriticalSectionEx",
        "CreateEventExW", "CreateEventExA", "CreateMutexExW", "CreateSemaphoreExW",
        "CreateWaitableTimerExW",
        # Fiber-local storage (Server 2003 and Vista, not XP)
        "FlsAlloc", "FlsFree", "FlsGetValue", "FlsSetValue",
        # Files, processes, errors
        "GetFinalPathNameByHandleW", "GetFileInformationByHandleEx", "SetFileInformationByHandle",
        "CreateSymbolicLinkW", "CancelIoEx", "QueryFullProcessImageNameW", "GetErrorMode",
        "SetThreadErrorMode", "GetThreadErrorMode", "GetProductInfo", "Wow64GetThreadContext",
        "GetCurrentProcessorNumber", "GetThreadId", "GetProcessId",  # the last two: Server 2003
        "SetFileCompletionNotificationModes", "GetQueuedCompletionStatusEx",
        "CreateThreadpoolWork", "SubmitThreadpoolWork", "CreateThreadpoolTimer",
        "RegisterApplicationRestart", "WerRegisterMemoryBlock",
    },
    "advapi32.dll": {
        "RegGetValueW", "RegGetValueA", "RegDeleteTreeW", "RegDeleteTreeA", "RegSetKeyValueW",
        "RegDeleteKeyValueW", "RegCopyTreeW", "RegLoadMUIStringW",
        "RegDeleteKeyExW", "RegDeleteKeyExA",  # XP only in its 64-bit edition
        "EventRegister", "EventWrite", "EventUnregister",
    },
    "user32.dll": {
        "SetProcessDPIAware", "IsProcessDPIAware", "ChangeWindowMessageFilter",
        "ChangeWindowMessageFilterEx",  # 7
        "AddClipboardFormatListener", "RemoveClipboardFormatListener", "ShutdownBlockReasonCreate",
        "ShutdownBlockReasonDestroy", "GetWindowDisplayAffinity", "SetWindowDisplayAffinity",
        "GetDpiForWindow", "GetDpiForSystem", "SetThreadDpiAwarenessContext",  # 10
        "SetProcessDpiAwarenessContext", "RegisterTouchWindow", "GetGestureInfo",
        "CalculatePopupWindowPosition", "LogicalToPhysicalPoint", "PhysicalToLogicalPoint",
        "UpdateLayeredWindowIndirect", "IsTouchWindow", "RegisterPowerSettingNotification",
    },
    "shell32.dll": {
        "SHGetKnownFolderPath", "SHGetKnownFolderIDList", "SHCreateItemFromParsingName",
        "SHGetPropertyStoreForWindow", "SHGetStockIconInfo", "SHOpenWithDialog",
        "SetCurrentProcessExplicitAppUserModelID",  # 7
        "Shell_NotifyIconGetRect",  # 7
    },
    "comctl32.dll": {"TaskDialog", "TaskDialogIndirect", "LoadIconMetric", "LoadIconWithScaleDown"},
    "ole32.dll": {"CoGetApartmentType"},  # 7
    "msvcrt.dll": {
        # Secure-CRT functions exported only by newer msvcrt.dll versions.
        "wcscpy_s", "wcsncpy_s", "wcscat_s", "strcpy_s", "strncpy_s", "strcat_s", "_wfopen_s",
        "fopen_s", "memcpy_s", "memmove_s", "_itow_s", "_ultow_s", "swprintf_s", "sprintf_s",
        "_vscwprintf_p", "_wcsicmp_l", "_localtime64_s", "_gmtime64_s",
        "_ftime64_s", "_wsplitpath_s", "_wmakepath_s", "strtok_s", "wcstok_s", "qsort_s",
        "_get_errno", "_set_errno",
    },
    # Not present on XP at all.
    "dwmapi.dll": {"*"}, "bcrypt.dll": {"*"},
}


# The 32-bit C runtime's clock, whose time_t ends on 2038-01-19: from then on
# localtime() gives nothing. The client takes dates from GetLocalTime.
CLOCK_32 = {"time", "_time32", "localtime", "_localtime32", "mktime", "_mktime32", "gmtime",
            "_gmtime32", "ctime", "difftime"}


# The skin's images: the sizes the drawing code relies on.
PNG_SIZES = {
    129: (1100, 630), 131: (30, 51), 132: (132, 28), 133: (228, 23), 134: (30, 51),
    135: (108, 28), 136: (108, 28), 137: (108, 28), 138: (108, 27), 139: (176, 28),
    140: (567, 22), 141: (39, 13), 142: (14, 16), 148: (108, 27), 149: (108, 27),
    152: (390, 21), 153: (390, 21), 162: (284, 150), 166: (14, 16),
}


class ReleaseExe(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(EXE, "rb") as f:
            cls.data = f.read()
        cls.pe = PE(cls.data)

    def test_is_a_32_bit_gui_program(self):
        self.assertEqual(0x14C, self.pe.machine)  # i386
        self.assertEqual(0x10B, self.pe.magic)  # PE32
        self.assertEqual(2, self.pe.subsystem)  # Windows GUI

    def test_is_at_most_3_mib(self):
        self.assertLessEqual(len(self.data), 3 * 1024 * 1024)

    def test_imports_only_system_dlls(self):
        dlls = [d.lower() for d in self.pe.imports()]
        self.assertTrue(dlls)
        self.assertEqual([], [d for d in dlls if d not in SYSTEM_DLLS])

    def test_imports_nothing_windows_xp_lacks(self):
        imported = self.pe.imported_functions()
        self.assertIn("kernel32.dll", imported)
        found = sorted("%s!%s" % (dll, fn) for dll, fns in imported.items()
                       for fn in fns if fn in POST_XP.get(dll, ()) or "*" in POST_XP.get(dll, ()))
        self.assertEqual([], found)

    def test_uses_no_clock_that_ends_in_2038(self):
        self.assertEqual([], sorted(set(self.pe.imported_functions().get("msvcrt.dll", []))
                                    & CLOCK_32))

    def test_carries_icon_version_and_manifest(self):
        res = self.pe.resources()
        self.assertIn(128, res.get(RT_GROUP_ICON, []))
        self.assertIn(RT_ICON, res)
        self.assertIn(RT_VERSION, res)
        self.assertIn(1, res.get(RT_MANIFEST, []))
        self.assertIn("3.0.1.3".encode("utf-16-le"), self.data)
        self.assertIn(b'level="requireAdministrator"', self.data)
        self.assertIn(b"<dpiAware", self.data)
        self.assertIn(b"Microsoft.Windows.Common-Controls", self.data)

    def test_carries_the_skins_images_and_the_favourite_icon(self):
        self.assertEqual(PNG_SIZES, self.pe.png_sizes())
        self.assertIn(155, self.pe.resources().get(RT_GROUP_ICON, []))

    def test_release_has_no_test_seams(self):
        self.assertNotIn("TOLV_TEST_SEAM".encode("utf-16-le"), self.data)
        self.assertNotIn(b"TOLV_TEST_SEAM", self.data)


if __name__ == "__main__":
    unittest.main(verbosity=2)
