/* Instructions that the i486 added, compiled for the i486 on purpose: the instruction check of the
   shipped exe must find each of them in this object. */
unsigned PlantedByteSwap(unsigned v)
{
    return __builtin_bswap32(v);
}

int PlantedExchangeAdd(int* p)
{
    return __sync_fetch_and_add(p, 2);
}

int PlantedCompareExchange(int* p)
{
    return __sync_val_compare_and_swap(p, 1, 3);
}
