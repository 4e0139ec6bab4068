#include "tests/runtime/rt_fixture.h"

void rt_ResetCollector() {
    gc_SetRoots(nullptr);
    // Everything still on a list becomes unreachable and is destroyed.
    for (gc_ListHead *h : {&gc_LiveList, &gc_MarkQueue, &gc_MarkedList}) {
        while (h->next != h) {
            gc_object *o = h->next;
            gc_Unlink(o);
            gc_Append(gc_UnreachableList, o);
            gc_PendingFreeBytes += static_cast<int32_t>(o->Size());
        }
    }
    while (gc_UnreachableList.next != &gc_UnreachableList) {
        gc_object *o = gc_UnreachableList.next;
        gc_Unlink(o);
        gc_Destroy(o);
    }
    gc_InitLists();
    gc_WhiteColour = 1;
    gc_NewBytes = gc_AllocBytes = gc_MarkedBytes = gc_PendingFreeBytes = 0;
    gc_ExternalBytes.store(0);
}
