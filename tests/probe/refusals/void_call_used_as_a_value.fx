// A function that returns void gives no value: its call stands as a
// statement, never as a condition, an operand or an argument.
//? entry ps_3_0 main()
//? error 10 'Reset' returns void
static float total = 0;
void Reset() { total = 0; }
float4 main() : COLOR0
{
    Reset();
    if (Reset())
        total = 1;
    return total;
}
