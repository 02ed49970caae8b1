// An int colour is the number it holds, as a register holds it, not its bits.
//? entry ps_3_0 main()
//? expect 2 0 -1 1
int4 main() : COLOR0
{
    return int4(2, 0, -1, 1);
}
