// Registry helpers for tests: every test starts from a clean state of the keys it uses.
#pragma once

#include <windows.h>
#include <string>

// Deletes a key under HKEY_LOCAL_MACHINE with everything below it; a missing key is fine.
void DeleteTree(const wchar_t* path);
// Stores a value of any type and size, creating the key.
void SetRaw(const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size);
void SetDword(const wchar_t* path, const wchar_t* name, DWORD value);
void SetString(const wchar_t* path, const wchar_t* name, const wchar_t* text);
// Reads a REG_DWORD; returns false when the key or the value is missing or of another type.
bool GetDword(const wchar_t* path, const wchar_t* name, DWORD* value);
bool KeyExists(const wchar_t* path);
// A printable dump of a key and its subkeys (names, types, data), for before/after comparisons.
std::wstring DumpTree(const wchar_t* path);
