#pragma once

#include "model/RingModel.h"

#include <QString>

#include <array>

struct LinkSettings;

// What the project settings dialog shows and stores of the project itself.
struct ProjectSettingsValues
{
    QString description;
    int ringCount = 1;
    // "Включение питания", "Выключение питания", "Изменение ВХОДОВ", "Изменение ФАЗ", "Аварии"
    std::array<bool, 5> journal{};
    int gpsOffset = 0; // hours from UTC, -12..12
    std::array<bool, MaxRings> sync{};
    std::array<QString, MaxRings> shiftText; // the shift edits, as typed
};

// The dialog's values from the working copy and the ring stores.
[[nodiscard]] ProjectSettingsValues readProjectSettings(const RingModel &model);

// Stores the values: description and journal into the working copy, which then goes into the
// current ring's store; ring count, synchronisation, and the journal and GPS bytes into every
// store; ring 1 becomes current. The modified flag is left alone.
void applyProjectSettings(RingModel &model, const ProjectSettingsValues &values);

// The dialog's link fields as typed.
struct LinkFields
{
    int comIndex = 0; // "COM1" is 0; -1 when none is chosen (a stored port beyond COM9)
    QString timeoutText;
    bool ethernet = true;
    QString address;
    QString portText;
};

enum class LinkFieldsResult { Applied, BadPort };

// Stores the link fields into the settings in memory, in the dialog's order; a port text that
// is not a number of 0..65535 stops there with the earlier fields already taken. A negative
// port is ignored.
[[nodiscard]] LinkFieldsResult applyLinkFields(LinkSettings &settings, const LinkFields &fields);
