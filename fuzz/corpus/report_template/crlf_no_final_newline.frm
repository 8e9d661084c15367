Смена {{FirstShift}}
{{#each Trk}}
{{Pump}};{{Liters:.3}}
{{/each}}
end without final line break