// A bool global the code writes starts as the value the effect gave it (the
// registers hold it as a number: true wherever it is not 0), scalar,
// vector, array element or struct member alike.
//? entry ps_3_0 main()
//? expect 1 1 0 5
struct Flags { bool on; float scale; };
bool2 pair = { true, false };
bool single = true;
bool list[2] = { false, true };
Flags flags = { true, 4 };
int count = 3;
float4 main() : COLOR0
{
    pair.y = true;
    single = !single;
    list[0] = list[1];
    flags.scale += flags.on;
    count += 1;
    return float4(pair.x * pair.y, list[0], single, flags.scale + count - 4);
}
