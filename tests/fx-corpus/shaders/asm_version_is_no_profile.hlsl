//! args -T ps_2_x
//! exit 1
//! line unsupported profile 'ps_2_x'
// ps_2_x names the assembly version; the compiler's profiles are ps_2_a and ps_2_b.
float4 main() : COLOR0 { return 1; }
