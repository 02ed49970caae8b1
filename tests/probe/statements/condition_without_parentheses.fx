// The condition of if, while, switch and for stands in parentheses; without
// them the error is at the keyword, not at a case further down.
//? entry ps_3_0 main()
//? error 9 '(' expected after 'switch'
int Mode;
float4 main() : COLOR0
{
    float r = 0.5;
    switch Mode
    {
    case 1: r = 0.25; break;
    default: break;
    }
    return r;
}
