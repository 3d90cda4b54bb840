// The catalogue's texts as shown: captions and list items go through the translator, while the
// English item stays available as the item's data for profiles and values.
#pragma once

#include <QComboBox>
#include <QCoreApplication>
#include <QString>

// Contexts the catalogue's texts are marked in.
inline constexpr char CATALOG_CONTEXT[] = "ControlCatalog";
inline constexpr char CHOICE_CONTEXT[] = "ChoiceLists";

// A caption or group caption as shown; an empty caption stays empty.
inline QString CatalogText(const char* caption) {
    return *caption ? QCoreApplication::translate(CATALOG_CONTEXT, caption) : QString();
}

// A list item as shown.
inline QString ListItemText(const char* item) {
    return QCoreApplication::translate(CHOICE_CONTEXT, item);
}

// The English item at a position: its data when the list was filled from the catalogue, its
// text otherwise (the Port lists, whose items are names and numbers).
inline QString ItemData(const QComboBox* list, int index) {
    const QVariant data = list->itemData(index);
    return data.isValid() ? data.toString() : list->itemText(index);
}

// The Open button's two captions: the first is the catalogue's, the second replaces it while the
// port is open.
inline constexpr char OPEN_SERIAL_PORT_CAPTION[] = "Open Serial Port";
inline QString CloseSerialPortCaption() {
    return QCoreApplication::translate("ControlCatalog", "Close Serial Port");
}
