// In "const float a = 1, b;" the second name has no initializer: an error
// at that name; a static const local may go without one.
//? entry ps_3_0 main()
//? error 8 'b'
float4 main() : COLOR0
{
    static const float c;
    const float a = 0.5, b;
    return a + c;
}
