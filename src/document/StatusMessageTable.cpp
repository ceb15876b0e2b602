#include "document/StatusMessageTable.h"

#include "config/LoadText.h"

namespace {

struct Row {
    XmlStatus status;
    int stringId;
};

constexpr Row kRows[StatusMessageTable::RowCount] = {
    {0xC00CEE01u, 40000}, {0xC00CEE02u, 40001}, {0xC00CEE03u, 40002}, {0xC00CEE04u, 40003},
    {0xC00CEE21u, 40004}, {0xC00CEE22u, 40005}, {0xC00CEE23u, 40006}, {0xC00CEE24u, 40007},
    {0xC00CEE25u, 40008}, {0xC00CEE26u, 40009}, {0xC00CEE27u, 40010}, {0xC00CEE28u, 40011},
    {0xC00CEE29u, 40012}, {0xC00CEE2Au, 40013}, {0xC00CEE2Bu, 40014}, {0xC00CEE2Cu, 40015},
    {0xC00CEE2Du, 40016}, {0xC00CEE2Eu, 40017}, {0xC00CEE2Fu, 40018}, {0xC00CEE30u, 40019},
    {0xC00CEE31u, 40020}, {0xC00CEE32u, 40021}, {0xC00CEE33u, 40022}, {0xC00CEE34u, 40023},
    {0xC00CEE35u, 40024}, {0xC00CEE36u, 40025}, {0xC00CEE37u, 40026}, {0xC00CEE38u, 40027},
    {0xC00CEE39u, 40028}, {0xC00CEE3Au, 40029}, {0xC00CEE3Bu, 40030}, {0xC00CEE3Cu, 40031},
    {0xC00CEE3Du, 40032}, {0xC00CEE3Eu, 40033}, {0xC00CEE3Fu, 40034}, {0xC00CEE40u, 40035},
    {0xC00CEE41u, 40036}, {0xC00CEE42u, 40037}, {0xC00CEE43u, 40038}, {0xC00CEE44u, 40039},
    {0xC00CEE45u, 40040}, {0xC00CEE46u, 40041}, {0xC00CEE47u, 40042}, {0xC00CEE48u, 40043},
    {0xC00CEE49u, 40044}, {0xC00CEE4Au, 40045}, {0xC00CEE4Bu, 40046}, {0xC00CEE4Cu, 40047},
    {0xC00CEE4Du, 40048}, {0xC00CEE4Eu, 40049}, {0xC00CEE4Fu, 40050}, {0xC00CEE50u, 40051},
    {0xC00CEE61u, 40052}, {0xC00CEE62u, 40053}, {0xC00CEE63u, 40054}, {0xC00CEE64u, 40055},
    {0xC00CEE65u, 40056}, {0xC00CEE66u, 40057}, {0xC00CEE67u, 40058}, {0xC00CEE68u, 40059},
    {0xC00CEE69u, 40060}, {0xC00CEE6Au, 40061}, {0xC00CEE81u, 40062}, {0xC00CEE82u, 40063},
    {0xC00CEF01u, 40064}, {0xC00CEF02u, 40065}, {0xC00CEF03u, 40066}, {0xC00CEF04u, 40067},
    {0xC00CEF05u, 40068}, {0xC00CEF06u, 40069}, {0xC00CEF07u, 40070}, {0xC00CEF08u, 40071},
    {0xC00CEF09u, 40072}, {0xC00CEF0Au, 40073}, {0xC00CEF0Bu, 40074}, {0xC00CEF0Cu, 40075},
    {0xC00CE01Du, 40076}, {0xC00CE01Eu, 40077}, {0xC00CE01Fu, 40078}, {0xC00CF000u, 40079},
    {0xC00CF001u, 40080}, {0xC00CF002u, 40081}, {0xC00CF003u, 40082}, {0xC00CF010u, 40083},
    {0xC00CF030u, 40084}, {0xC00CF031u, 40085},
};

} // namespace

int StatusMessageTable::StringIdOf(XmlStatus status)
{
    for (const Row& row : kRows) {
        if (row.status == status)
            return row.stringId;
    }
    return InternalErrorStringId;
}

QString StatusMessageTable::MessageOf(XmlStatus status)
{
    return LoadText(StringIdOf(status));
}

XmlStatus StatusMessageTable::StatusAt(int row)
{
    return kRows[row].status;
}

int StatusMessageTable::StringIdAt(int row)
{
    return kRows[row].stringId;
}
