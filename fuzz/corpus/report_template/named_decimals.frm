{{#each VidOpl}}
|{{VidOpl:<30}}|{{Count:>6}}|{{Liters:>12,.DecL}}|{{Summa:>14,.2}}|
{{/each}}
|{{sum VidOpl.Liters:>12,.DecL2}}|{{sum GsmVidOpl.Liters:,.DecKg}}|{{CashIn:.DecKg2}}|
