#include "settings/preview_link.h"

#include <cstring>

const PreviewMessageIds& PreviewMessages()
{
    static const PreviewMessageIds ids = {RegisterWindowMessageA("Quillmora.Nimbrel.PreviewAsks"),
                                          RegisterWindowMessageA("Quillmora.Nimbrel.PreviewChanged")};
    return ids;
}

bool RecordFromCopy(const COPYDATASTRUCT& copy, SS_Data& data)
{
    SettingsValues values;
    if (copy.dwData != SETTINGS_COPY_TAG || copy.cbData != sizeof values || !copy.lpData)
        return false;
    std::memcpy(values.data(), copy.lpData, sizeof values);
    for (int i = 0; i < FIELD_COUNT; ++i)
        SetFieldBits(data, Fields[i], values[i]);
    return true;
}
