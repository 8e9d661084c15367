{{ StationName : <16 }}|{{StationNumber:>6}}|{{CashIn:^12,.3}}|{{ReportTime:"dd.mm.yy hh:nn:ss.zzz"}}
{{#each Smena}}
|{{SmNum:5}}|{{BegTime:<16"ddd d mmmm yyyy h:nn am/pm"}}|{{Operator:10}}|{{Revenue:>14,.2}}|
{{#else}}
|смен нет|
{{/each}}
{{#if Vedom}}
Итого {{sum Smena.Revenue:,.2}} из {{sum Smena.CashIn}}
{{/if}}
