// switch on an int global: the register's value, as an int.
//? entry ps_3_0 main()
//? ps c0 = 2 0 0 0
//? expect 0.5 0.5 0.5 0.5
int mode;
float4 main() : COLOR0
{
    switch (mode)
    {
        case 1: return 0.25;
        case 2: return 0.5;
        default: return 1;
    }
}
