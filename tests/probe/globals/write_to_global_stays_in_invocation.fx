// A shader may write to a global; the write stays in the invocation: every
// pixel starts again from the register's value.
//? entry ps_3_0 main()
//? ps c0 = 1 1 1 1  0.5 0.5 0.5 0.5
//? expect 1.5 1 1 1
float4 tint;
float4 add;
float4 main() : COLOR0
{
    tint.x += add.x;
    return tint;
}
