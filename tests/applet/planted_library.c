// Test tool: a library that only loads, planted where a search for a system library may find it.
__declspec(dllexport) int Planted(void)
{
    return 1;
}
