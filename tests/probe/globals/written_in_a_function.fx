// Writes in a called function, to an int, a matrix and an array element.
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 0  0 1 0 0  0 0 1 0  0 0 0 1
//? ps c4 = 2 0 0 0  5 0 0 0  6 0 0 0
//? expect 7 3 5 11
float4x4 m : register(c0);
int n : register(c4);
float arr[2] : register(c5);
void Bump()
{
    n++;
    m[0][0] = 7;
    arr[1] += 5;
}
float4 main() : COLOR0
{
    Bump();
    return float4(m[0][0], n, arr[0], arr[1]);
}
